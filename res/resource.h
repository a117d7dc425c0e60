#pragma once
#define IDI_VELTRANO 101
