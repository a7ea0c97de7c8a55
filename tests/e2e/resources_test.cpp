// What Windows learns about a tool's program from the file itself: the
// version information, the icon group, the manifest, the subsystem, the DLLs
// it needs (a static runtime: system DLLs only), the hardening in its headers
// and load configuration; and that a DLL planted beside it is not loaded.
// kaldrin.exe and the second tool's program get theirs from the same
// templates, each with its own names and version.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "version.h"  // kaldrin.exe's

#include <imagehlp.h>

namespace {

std::wstring version_string(const std::vector<char>& info, const wchar_t* name) {
    std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || value == nullptr) return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

struct Module {
    HMODULE handle;
    explicit Module(const std::wstring& path)
        : handle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Module() {
        if (handle != nullptr) FreeLibrary(handle);
    }
    // The bytes of one resource; empty when the module has none by that name.
    std::string resource(int id, const wchar_t* type) const {
        HRSRC found = FindResourceW(handle, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(handle, found)));
        return data == nullptr ? std::string() : std::string(data, SizeofResource(handle, found));
    }
};

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colors;
    BYTE reserved;
    WORD planes;
    WORD bit_count;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

// The DLL names the program imports, read from its PE headers.
std::set<std::string> imported_dlls(const std::string& image, WORD* subsystem) {
    std::set<std::string> names;
    auto at = [&](std::size_t offset, std::size_t size) { return offset + size <= image.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) return names;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof dos);
    std::size_t nt_offset = static_cast<std::size_t>(dos.e_lfanew);
    if (!at(nt_offset, sizeof(IMAGE_NT_HEADERS64))) return names;
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, image.data() + nt_offset, sizeof nt);
    *subsystem = nt.OptionalHeader.Subsystem;
    std::size_t sections = nt_offset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    auto file_offset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            if (!at(sections + i * sizeof section, sizeof section)) return 0;
            std::memcpy(&section, image.data() + sections + i * sizeof section, sizeof section);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        return 0;
    };
    DWORD imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::size_t offset = file_offset(imports);
    for (; offset != 0 && at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)); offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, image.data() + offset, sizeof descriptor);
        if (descriptor.Name == 0) break;
        std::size_t name = file_offset(descriptor.Name);
        if (name == 0) break;
        std::string dll(image.c_str() + name);
        std::transform(dll.begin(), dll.end(), dll.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        names.insert(dll);
    }
    return names;
}

// What each program's resources say: kaldrin.exe's version from its
// generated header, the second tool's from its kaldrin_add_tool call.
struct Program {
    const std::wstring& (*path)();
    int major, minor, patch;
    const wchar_t* version_text;
    const wchar_t* description;
    const wchar_t* product;
    const wchar_t* file_name;
    const char* assembly;  // the manifest's assemblyIdentity
};

const std::vector<Program>& programs() {
    static const std::wstring kaldrin_version = version_text();
    static const std::string kaldrin_assembly = "name=\"NoltMed.Kaldrin\" version=\"" +
                                                std::to_string(KALDRIN_VERSION_MAJOR) + "." +
                                                std::to_string(KALDRIN_VERSION_MINOR) + "." +
                                                std::to_string(KALDRIN_VERSION_PATCH) + ".0\"";
    static const std::vector<Program> list = {
        {kaldrin_path, KALDRIN_VERSION_MAJOR, KALDRIN_VERSION_MINOR, KALDRIN_VERSION_PATCH, kaldrin_version.c_str(),
         L"Kaldrin 阿哌沙班剂量核查（肌酐清除率、年龄、体重）", L"Kaldrin 抗凝剂量核查", L"kaldrin.exe",
         kaldrin_assembly.c_str()},
        {second_tool_path, 0, 9, 0, L"0.9", L"IV 配伍核查（两种静脉药物的配伍禁忌）", L"IV 配伍核查",
         L"iv_check.exe", "name=\"NoltMed.iv_check\" version=\"0.9.0.0\""},
    };
    return list;
}

}  // namespace

TEST(Resources, VersionInformationInChinese) {
    for (const Program& program : programs()) {
        const std::wstring& path = program.path();
        ASSERT_FALSE(path.empty()) << "KALDRIN_EXE and KALDRIN_SECOND_TOOL_EXE name the programs (run-e2e.sh)";
        SCOPED_TRACE(program.file_name);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        const DWORD major_minor = static_cast<DWORD>((program.major << 16) | program.minor);
        EXPECT_EQ(fixed->dwFileVersionMS, major_minor);
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(program.patch << 16));
        EXPECT_EQ(fixed->dwProductVersionMS, major_minor);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        DWORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        EXPECT_EQ(LOWORD(*translation), 0x0804);
        EXPECT_EQ(HIWORD(*translation), 1200);

        EXPECT_EQ(version_string(info, L"FileDescription"), program.description);
        EXPECT_EQ(version_string(info, L"ProductName"), program.product);
        EXPECT_EQ(version_string(info, L"FileVersion"), program.version_text);
        EXPECT_EQ(version_string(info, L"ProductVersion"), program.version_text);
        EXPECT_EQ(version_string(info, L"OriginalFilename"), program.file_name);
        EXPECT_EQ(version_string(info, L"InternalName"),
                  std::wstring(program.file_name).substr(0, std::wcslen(program.file_name) - 4));
        EXPECT_EQ(version_string(info, L"CompanyName"), L"NoltMed");
        EXPECT_EQ(version_string(info, L"LegalCopyright"), L"© NoltMed");
    }
}

// The second tool names no icon of its own and gets the suite's.
TEST(Resources, IconGroupOfSevenSizes) {
    for (const Program& program : programs()) {
        SCOPED_TRACE(program.file_name);
        Module module(program.path());
        ASSERT_NE(module.handle, nullptr);
        const std::string group = module.resource(1, RT_GROUP_ICON);
        ASSERT_GE(group.size(), sizeof(GroupIconHeader));
        const char* data = group.data();
        GroupIconHeader header;
        std::memcpy(&header, data, sizeof header);
        EXPECT_EQ(header.type, 1);
        ASSERT_EQ(header.count, 7);
        ASSERT_GE(group.size(), sizeof header + header.count * sizeof(GroupIconEntry));
        std::set<int> sizes;
        for (int i = 0; i < header.count; ++i) {
            GroupIconEntry entry;
            std::memcpy(&entry, data + sizeof header + i * sizeof entry, sizeof entry);
            int width = entry.width == 0 ? 256 : entry.width;
            int height = entry.height == 0 ? 256 : entry.height;
            EXPECT_EQ(width, height);
            EXPECT_EQ(entry.bit_count, 32) << width;
            sizes.insert(width);
            // Every image loads as an icon of its size.
            std::string bits = module.resource(entry.id, RT_ICON);
            ASSERT_FALSE(bits.empty()) << width;
            HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&bits[0]), static_cast<DWORD>(bits.size()),
                                                  TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
            EXPECT_NE(icon, nullptr) << width;
            if (icon != nullptr) DestroyIcon(icon);
        }
        EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 128, 256}));
    }
}

TEST(Resources, ManifestRunsAsInvokerAndLeavesDpiToTheProgram) {
    for (const Program& program : programs()) {
        SCOPED_TRACE(program.file_name);
        Module module(program.path());
        ASSERT_NE(module.handle, nullptr);
        const std::string manifest = module.resource(1, RT_MANIFEST);
        ASSERT_FALSE(manifest.empty());
        EXPECT_NE(manifest.find(program.assembly), std::string::npos) << manifest;
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
        EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
        EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
        EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // Windows 10 and 11
        EXPECT_NE(manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos);  // Windows 7
        EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
        EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos);
    }
}

TEST(Resources, GuiProgramWithStaticRuntime) {
    for (const Program& program : programs()) {
        SCOPED_TRACE(program.file_name);
        WORD subsystem = 0;
        std::set<std::string> dlls = imported_dlls(read_file_bytes(program.path()), &subsystem);
        EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        ASSERT_FALSE(dlls.empty());
        const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll",
                                              "advapi32.dll", "ucrtbase.dll"};
        for (const std::string& dll : dlls) {
            EXPECT_TRUE(system.count(dll) == 1 || dll.rfind("api-ms-win-", 0) == 0) << dll;
        }
    }
}

TEST(Resources, HardenedHeadersAndLoadConfiguration) {
    // The load configuration's security cookie, as the program's file holds
    // it: the loader replaces exactly this value with a random one.
    const ULONGLONG default_cookie = 0x00002B992DDFA232ULL;
    const WORD hardening = IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA | IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE |
                           IMAGE_DLLCHARACTERISTICS_NX_COMPAT | IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
    for (const Program& program : programs()) {
        SCOPED_TRACE(program.file_name);
        // The link's last step fills in the load configuration and sets the
        // checksum again: it still matches the file.
        DWORD header_sum = 0, computed_sum = 0;
        ASSERT_EQ(MapFileAndCheckSumW(program.path().c_str(), &header_sum, &computed_sum), CHECKSUM_SUCCESS);
        EXPECT_EQ(header_sum, computed_sum);

        Module module(program.path());
        ASSERT_NE(module.handle, nullptr);
        // Mapped as an image, without relocations; the low bits of the handle mark the kind of mapping.
        BYTE* base = reinterpret_cast<BYTE*>(reinterpret_cast<ULONG_PTR>(module.handle) & ~ULONG_PTR{3});
        const IMAGE_NT_HEADERS64* nt = ImageNtHeader(base);
        ASSERT_NE(nt, nullptr);
        EXPECT_EQ(nt->OptionalHeader.DllCharacteristics & hardening, hardening)
            << std::hex << nt->OptionalHeader.DllCharacteristics;
        ULONG size = 0;
        const auto* config = static_cast<const IMAGE_LOAD_CONFIG_DIRECTORY64*>(
            ImageDirectoryEntryToData(base, TRUE, IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG, &size));
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(size, config->Size);
        ASSERT_GE(config->Size, offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, SecurityCookie) + sizeof(ULONGLONG));
        EXPECT_EQ(config->Reserved1, LOAD_LIBRARY_SEARCH_SYSTEM32);  // DependentLoadFlags
        const ULONGLONG cookie = config->SecurityCookie - nt->OptionalHeader.ImageBase;
        ASSERT_LT(cookie, nt->OptionalHeader.SizeOfImage - sizeof(ULONGLONG));
        ULONGLONG value = 0;
        std::memcpy(&value, base + cookie, sizeof value);
        EXPECT_EQ(value, default_cookie) << std::hex << value;
    }
}

namespace {

// The planted DLL (tests/e2e/planted_dll.cpp), built beside the driver.
std::wstring planted_dll_path() {
    wchar_t driver[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, driver, MAX_PATH);
    std::wstring path(driver, length);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"planted_dll.dll";
}

// Wine takes its own DLL of a system name even where it finds a file of that
// name first. Told so in its registry, it takes the file found, as Windows
// does, for the program of that file name; the override goes with the object.
class PreferFoundDll {
public:
    PreferFoundDll(const std::wstring& program_name, const wchar_t* dll)
        : key_(L"Software\\Wine\\AppDefaults\\" + program_name) {
        HKEY overrides = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &overrides, nullptr) != ERROR_SUCCESS) {
            ADD_FAILURE() << "no Wine DLL overrides for " << std::string(program_name.begin(), program_name.end());
            return;
        }
        const wchar_t order[] = L"native,builtin";
        RegSetValueExW(overrides, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
        RegCloseKey(overrides);
    }
    ~PreferFoundDll() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    PreferFoundDll(const PreferFoundDll&) = delete;
    PreferFoundDll& operator=(const PreferFoundDll&) = delete;

private:
    std::wstring key_;
};

}  // namespace

// Run from a folder users can write to, the program loads no DLL of a
// system name placed beside it. uxtheme.dll is one that user32 loads by name
// while the program runs, when the first window opens. The copy is named as a
// browser names a program downloaded twice.
TEST(Resources, ProgramLoadsNoDllPlantedBesideIt) {
    const std::wstring folder = make_work_folder(L"planted_dll");
    const std::wstring name = L"kaldrin (1).exe";
    const std::wstring program = folder + L"\\" + name;
    const std::wstring planted = folder + L"\\uxtheme.dll";
    const std::wstring mark = planted + L".loaded";
    ASSERT_TRUE(CopyFileW(kaldrin_path().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(planted_dll_path().c_str(), planted.c_str(), FALSE)) << planted_dll_path();

    // The planted DLL leaves its mark when it is loaded (a copy of another
    // name: the driver has Wine's own uxtheme.dll loaded already).
    const std::wstring control = folder + L"\\planted_control.dll";
    ASSERT_TRUE(CopyFileW(planted_dll_path().c_str(), control.c_str(), FALSE));
    HMODULE loaded = LoadLibraryW(control.c_str());
    ASSERT_NE(loaded, nullptr);
    FreeLibrary(loaded);
    ASSERT_TRUE(file_exists(control + L".loaded"));

    PreferFoundDll prefer(name, L"uxtheme");
    KaldrinApp app;
    ASSERT_TRUE(app.start_program(program));
    app.click(ID_COMPUTE);
    EXPECT_FALSE(app.result().empty());
    EXPECT_FALSE(file_exists(mark));
    EXPECT_EQ(app.close(), 0u);
    EXPECT_FALSE(file_exists(mark));
}
