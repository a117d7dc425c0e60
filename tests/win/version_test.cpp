// What Explorer's Details tab and an installer read from the built veltrano.exe: the version resource.
#include "tests/win/support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct VersionResource {
    std::vector<BYTE> data;

    explicit VersionResource(const std::wstring& exe) {
        DWORD ignored = 0;
        data.resize(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
        if (!data.empty() &&
            !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
            data.clear();
    }

    const VS_FIXEDFILEINFO* Fixed() const {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(data.data(), L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // A string of the first language the resource lists, as Explorer shows it.
    std::wstring Text(const wchar_t* name) const {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &size) || size < 4)
            return L"?";
        const auto* language = static_cast<const WORD*>(value);
        wchar_t path[96];
        swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", language[0], language[1], name);
        if (!VerQueryValueW(data.data(), path, &value, &size) || size == 0) return L"?";
        return static_cast<const wchar_t*>(value);
    }
};

std::wstring Dotted(DWORD high, DWORD low) {
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
           std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

} // namespace

TEST(Version, TheExeCarriesTheProjectVersionItsNameAndTheCopyright) {
    const VersionResource resource(VeltranoExePath());
    ASSERT_FALSE(resource.data.empty()) << "veltrano.exe has no version resource";
    const VS_FIXEDFILEINFO* fixed = resource.Fixed();
    ASSERT_NE(fixed, nullptr);
    const std::wstring version = L"" VELTRANO_VERSION;
    EXPECT_EQ(Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), version + L".0");
    EXPECT_EQ(Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), version + L".0");

    EXPECT_EQ(resource.Text(L"FileVersion"), version);
    EXPECT_EQ(resource.Text(L"ProductVersion"), version);
    EXPECT_EQ(resource.Text(L"ProductName"), L"Veltrano");
    EXPECT_EQ(resource.Text(L"OriginalFilename"), L"veltrano.exe");
    EXPECT_EQ(resource.Text(L"LegalCopyright"), L"© 2026 Veltrano developers");
}
