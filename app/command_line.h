// What a start of veltrano.exe is asked to do, from the arguments after the program name; the watchdog's are
// told apart before. Pure.
#pragma once
#include "catalogue/process_rights.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class StartCommand {
    Normal, // no arguments
    Tray,   // --tray: everything a start does, but the main window stays in the tray
    Toggle, // --toggle: hide or restore, as the hotkey does
    Show,   // --show: open the main window, as the tray's "打开设置" does
    Exit,   // --exit: end the running instance, as the tray's "退出" does
    Unknown,
};

StartCommand ParseStartCommand(std::wstring_view arguments);

// Commands that act on an instance already running; the others start one.
inline bool IsForRunningInstance(StartCommand command) {
    return command == StartCommand::Toggle || command == StartCommand::Show || command == StartCommand::Exit;
}

// What became of the attempt to create the single-instance mutex.
enum class InstanceMutex {
    Created,
    AlreadyThere,
    // There, but guarded against this process: an elevated instance's, for an unelevated start.
    Guarded,
    // Not made for another reason; nothing tells that another instance runs.
    Failed,
};

inline bool AnotherInstanceRuns(InstanceMutex mutex) {
    return mutex == InstanceMutex::AlreadyThere || mutex == InstanceMutex::Guarded;
}

// What a command handed over while the usage notice is still unanswered does: nothing is hidden or shown
// before the user has consented, and --exit is a refusal.
enum class BeforeConsent { KeepForAfter, RefuseNotice, Nothing };
BeforeConsent CommandBeforeConsent(StartCommand command);

// The box an unknown switch shows: what was given, then every switch and what it does.
std::wstring UnknownSwitchText(std::wstring_view arguments);

// The system drops the messages a program of lower integrity posts to one above medium (an elevated Veltrano,
// for the shell and the user's programs): such an instance lets in only what the shell must send, and takes
// commands through a pipe of its own.
bool AboveMediumIntegrity(const ProcessRights& ours);

// That pipe, one per session, and its security: the user alone may connect, and only from medium integrity or
// above (a label that keeps anything lower from writing or reading).
std::wstring CommandPipeName(std::uint32_t session);
std::wstring CommandPipeSecurity(std::wstring_view userSid);

// Whom it takes a command from: a program of the same user at medium integrity or above, not a sandboxed
// (low integrity) one nor another user's. Rights that cannot be read are refused.
bool AcceptsCommandFrom(const ProcessRights& ours, const ProcessRights& sender);
