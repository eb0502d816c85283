// zeltavpn.dll loaded as Windows loads it: its exports found by their undecorated names, the entry
// points' answers to null arguments, and registration into a real (Wine) registry.
#include <windows.h>
#include <ras.h>
#include <rasdlg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kRasman = L"SYSTEM\\CurrentControlSet\\Services\\Rasman\\Parameters";

using RasCustomDialFn = DWORD(APIENTRY*)(HINSTANCE, LPRASDIALEXTENSIONS, LPCWSTR, LPRASDIALPARAMSW, DWORD, LPVOID,
                                         LPHRASCONN, DWORD);
using RasCustomDialDlgFn = BOOL(APIENTRY*)(HINSTANCE, DWORD, LPWSTR, LPWSTR, LPWSTR, LPRASDIALDLG, PVOID);
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

template <typename F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

std::wstring CustomDll() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRasman, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
    std::vector<wchar_t> data(4096);
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(key, L"CustomDLL", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return L"<no value>";
    return std::wstring(data.data(), size / sizeof(wchar_t));
}

class ZeltavpnDll : public ::testing::Test {
protected:
    void SetUp() override {
        module = ::LoadLibraryW(L"zeltavpn.dll");
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        if (module) ::FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

TEST_F(ZeltavpnDll, ExportsAnswerByTheirPlainNames) {
    const auto fn = Export<int (*)()>(module, "fnZeltavpn");
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(), 42);
    const auto* n = reinterpret_cast<const int*>(::GetProcAddress(module, "nZeltavpn"));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(*n, 0);
    for (const char* name : {"RasCustomHangUp", "RasCustomEntryDlg", "RasCustomDeleteEntryNotify"})
        EXPECT_NE(::GetProcAddress(module, name), nullptr) << name;

    const auto dial = Export<RasCustomDialFn>(module, "RasCustomDial");
    ASSERT_NE(dial, nullptr);
    HRASCONN connection = nullptr;
    EXPECT_EQ(dial(module, nullptr, nullptr, nullptr, 0, nullptr, &connection, 0), 635u);  // no dial parameters
    const auto dialog = Export<RasCustomDialDlgFn>(module, "RasCustomDialDlg");
    ASSERT_NE(dialog, nullptr);
    wchar_t entry[] = L"Zelta VPN";
    EXPECT_FALSE(dialog(module, 0, nullptr, entry, nullptr, nullptr, nullptr));  // no RASDIALDLG
}

TEST_F(ZeltavpnDll, RegistrationAddsItsPathAfterOtherLibrariesAndTakesItOutAgain) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRasman, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t other[] = L"C:\\Other\\other.dll\0";
    ASSERT_EQ(::RegSetValueExW(key, L"CustomDLL", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(other), sizeof other),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);

    ASSERT_EQ(Export<RegisterFn>(module, "DllRegisterServer")(), S_OK);
    EXPECT_EQ(CustomDll(), std::wstring(L"C:\\Other\\other.dll\0", 19) + path + std::wstring(L"\0\0", 2));
    ASSERT_EQ(Export<RegisterFn>(module, "DllRegisterServer")(), S_OK);  // once only
    EXPECT_EQ(CustomDll(), std::wstring(L"C:\\Other\\other.dll\0", 19) + path + std::wstring(L"\0\0", 2));
    ASSERT_EQ(Export<RegisterFn>(module, "DllUnregisterServer")(), S_OK);
    EXPECT_EQ(CustomDll(), std::wstring(L"C:\\Other\\other.dll\0\0", 20));
}

}  // namespace
