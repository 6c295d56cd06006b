// ClockSync.exe as the system reads it without running it: the version resource behind the file's
// properties, the manifest the loader builds its activation context from, and the icon Explorer
// shows for the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exception.h"
#include "platform/CommonControls.h"
#include "ui/Maker.h"
#include "ui/tzmain.h"

namespace cs {
namespace {

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path);
    program.resize(program.find_last_of('\\') + 1);
    return program + "ClockSync.exe";
}

class ProgramVersion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string path = ProgramPath();
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << path << " has no version resource";
        s_block.assign(size, '\0');
        ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, s_block.data()));
    }

    static const VS_FIXEDFILEINFO& Fixed() {
        void* data = nullptr;
        UINT size = 0;
        if (!::VerQueryValueA(s_block.data(), "\\", &data, &size) ||
            size < sizeof(VS_FIXEDFILEINFO))
            throw std::runtime_error("no fixed file information");
        return *static_cast<const VS_FIXEDFILEINFO*>(data);
    }

    // A string of the file's first translation, as the file's properties look it up.
    static std::string Text(const char* name) {
        void* data = nullptr;
        UINT size = 0;
        if (!::VerQueryValueA(s_block.data(), "\\VarFileInfo\\Translation", &data, &size) ||
            size < 4) {
            return "<no translation>";
        }
        const auto* translation = static_cast<const WORD*>(data);
        char path[80];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                      translation[1], name);
        if (!::VerQueryValueA(s_block.data(), path, &data, &size)) return "<missing>";
        return static_cast<const char*>(data);
    }

    static std::string s_block;
};

std::string ProgramVersion::s_block;

TEST_F(ProgramVersion, FixedPartIsVersionTwoPointTwoOfAWindowsApplication) {
    const VS_FIXEDFILEINFO& fixed = Fixed();
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(2, 2)));
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, static_cast<DWORD>(MAKELONG(2, 2)));
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    // Not a debug, pre-release or patched build.
    EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);
}

struct NamedText {
    const char* Name;
    const char* Text;
};

class ProgramVersionText : public ProgramVersion,
                           public ::testing::WithParamInterface<NamedText> {};

TEST_P(ProgramVersionText, ReadsBack) {
    EXPECT_EQ(Text(GetParam().Name), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Strings, ProgramVersionText,
                         ::testing::Values(NamedText{"ProductName", "Veritan Clock Sync"},
                                           NamedText{"FileDescription", "Veritan Clock Sync"},
                                           NamedText{"FileVersion", "2.2.0.0"},
                                           NamedText{"ProductVersion", "2.2"},
                                           NamedText{"CompanyName", "Meridane"},
                                           NamedText{"OriginalFilename", "ClockSync.exe"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The version is written three times: in the window's title, which a second start looks for,
// and twice in the resource. A release that changes one must change all.
TEST_F(ProgramVersion, AgreesWithTheWindowTitle) {
    const std::string title = kMainWindowTitle;
    const std::string version = title.substr(title.rfind(" v") + 2);
    EXPECT_EQ(Text("ProductVersion"), version);
    const VS_FIXEDFILEINFO& fixed = Fixed();
    EXPECT_EQ(std::to_string(HIWORD(fixed.dwProductVersionMS)) + "." +
                  std::to_string(LOWORD(fixed.dwProductVersionMS)),
              version);
}

TEST_F(ProgramVersion, CopyrightNamesTheMakerAndItsWebsite) {
    const std::string copyright = Text("LegalCopyright");
    EXPECT_NE(copyright.find("Meridane"), std::string::npos) << copyright;
    EXPECT_NE(copyright.find(kMakerDomain), std::string::npos) << copyright;
}

// ---- Icon ------------------------------------------------------------------------------------

// Explorer shows the first icon group of the file, whatever else the program loads by name.
TEST(ProgramIcon, FirstIconGroupIsTheMainIcon) {
    const std::string path = ProgramPath();
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    std::vector<std::string> groups;
    ::EnumResourceNamesA(
        module, RT_GROUP_ICON,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR list) CALLBACK -> BOOL {
            reinterpret_cast<std::vector<std::string>*>(list)->push_back(
                IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                     : std::string(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&groups));
    ::FreeLibrary(module);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), "MAINICON");

    HICON icon = ::ExtractIconA(::GetModuleHandleA(nullptr), path.c_str(), 0);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(icon, reinterpret_cast<HICON>(1));
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP colour{};
    ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, ::GetSystemMetrics(SM_CXICON));
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
}

// ---- Manifest --------------------------------------------------------------------------------

// Read through the system's own manifest parser: a manifest it cannot parse stops the program
// from starting, and a setting in the wrong namespace is silently ignored.
class ProgramManifest : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = ProgramPath();
        ACTCTXA context{};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = m_path.c_str();
        context.lpResourceName = MAKEINTRESOURCEA(1);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
        m_context = ::CreateActCtxA(&context);
        ASSERT_NE(m_context, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();
        context.lpResourceName = MAKEINTRESOURCEA(2);  // the message boxes' controls
        m_themed = ::CreateActCtxA(&context);
        ASSERT_NE(m_themed, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();
    }
    void TearDown() override {
        if (m_context != INVALID_HANDLE_VALUE) ::ReleaseActCtx(m_context);
        if (m_themed != INVALID_HANDLE_VALUE) ::ReleaseActCtx(m_themed);
    }

    std::string m_path;
    HANDLE m_context = INVALID_HANDLE_VALUE;
    HANDLE m_themed = INVALID_HANDLE_VALUE;
};

// Whether a "Button" made while the context is active would be the common controls' own.
bool RedirectsButtons(HANDLE context) {
    ULONG_PTR cookie = 0;
    if (!::ActivateActCtx(context, &cookie)) return false;
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    const bool found =
        ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION,
                                   L"Button", &data) != FALSE;
    ::DeactivateActCtx(0, cookie);
    return found;
}

// The program's windows do without the common controls library; message boxes and image lists
// get its version 6 from the second manifest.
TEST_F(ProgramManifest, LeavesTheCommonControlsToWhereTheyAreUsed) {
    EXPECT_FALSE(RedirectsButtons(m_context));
    EXPECT_TRUE(RedirectsButtons(m_themed));

    const FARPROC create = CommonControlsFunction("ImageList_Create");
    HMODULE library = nullptr;
    ASSERT_TRUE(::GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(create), &library));
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(library, path, MAX_PATH);
    EXPECT_NE(std::string(path).find("6595b64144ccf1df_6."), std::string::npos) << path;
    EXPECT_THROW(CommonControlsFunction("NoSuchFunction"), Exception);
}

TEST_F(ProgramManifest, RunsWithTheUsersOwnRights) {
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    ASSERT_TRUE(::QueryActCtxW(0, m_context, nullptr, RunlevelInformationInActivationContext,
                               &level, sizeof level, nullptr));
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(level.UiAccess, 0u);
}

TEST_F(ProgramManifest, DeclaresWindows7To11) {
    // The layout of current Windows and of Wine: each entry ends with the highest version tested,
    // which the compiler's headers do not have yet.
    struct Element {
        GUID Id;
        ACTCTX_COMPATIBILITY_ELEMENT_TYPE Type;
        ULONGLONG MaxVersionTested;
    };
    struct {
        DWORD ElementCount;
        Element Elements[8];
    } compatibility{};
    ASSERT_TRUE(::QueryActCtxW(0, m_context, nullptr, CompatibilityInformationInActivationContext,
                               &compatibility, sizeof compatibility, nullptr));
    // Windows 7, 8, 8.1 and 10 (which 11 shares).
    const GUID expected[] = {
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}};
    std::vector<GUID> declared;
    for (DWORD i = 0; i < compatibility.ElementCount && i < 8; ++i) {
        if (compatibility.Elements[i].Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
            declared.push_back(compatibility.Elements[i].Id);
    }
    ASSERT_EQ(declared.size(), std::size(expected));
    for (std::size_t i = 0; i < declared.size(); ++i)
        EXPECT_TRUE(::IsEqualGUID(declared[i], expected[i])) << "entry " << i;
}

// Per monitor, version 2, where Windows 10 reads it; the older forms for the older systems.
TEST_F(ProgramManifest, IsAwareOfEachMonitorsScale) {
    const auto setting = [this](const wchar_t* space, const wchar_t* name) {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        EXPECT_TRUE(
            ::QueryActCtxSettingsW(0, m_context, space, name, value, std::size(value), &written))
            << "error " << ::GetLastError();
        return std::wstring(value);
    };
    EXPECT_EQ(setting(nullptr, L"dpiAware"), L"true/pm");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");
}

}  // namespace
}  // namespace cs
