// Start-up benchmark of kaldrin.exe against a minimal Win32 program, run
// under the same Wine in one run:
//   window:   from CreateProcess until the program's top-level window exists;
//   selftest: the whole process of kaldrin.exe --selftest against the whole
//             process of the minimal program that exits at once.
// Runs alternate between the two programs; medians are compared, and the
// fastest runs shown beside them.
//
// Usage: startup_launcher <kaldrin.exe> <minimal_window.exe> <report folder> [runs]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD process;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK find_window(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == search->process && std::wcscmp(name, search->class_name) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
           PROCESS_INFORMATION* process) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring line = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    return CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, process) != 0;
}

void finish(PROCESS_INFORMATION* process) {
    if (WaitForSingleObject(process->hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process->hProcess, 9);
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
}

// Milliseconds until the window of the class exists; then closes it.
double time_to_window(const std::wstring& program, const wchar_t* class_name, const std::wstring& folder) {
    PROCESS_INFORMATION process = {};
    double begin = now_ms();
    if (!start(program, L"", folder, &process)) return -1.0;
    Search search = {process.dwProcessId, class_name, nullptr};
    double elapsed = -1.0;
    while (now_ms() - begin < 20000.0) {
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            elapsed = now_ms() - begin;
            break;
        }
        Sleep(0);
    }
    if (search.found != nullptr) PostMessageW(search.found, WM_CLOSE, 0, 0);
    finish(&process);
    return elapsed;
}

// Milliseconds of the whole process.
double time_process(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
    PROCESS_INFORMATION process = {};
    double begin = now_ms();
    if (!start(program, arguments, folder, &process)) return -1.0;
    WaitForSingleObject(process.hProcess, 20000);
    double elapsed = now_ms() - begin;
    finish(&process);
    return elapsed;
}

double least(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: startup_launcher <kaldrin.exe> <minimal_window.exe> <folder> [runs]\n");
        return 2;
    }
    std::wstring kaldrin = argv[1];
    std::wstring minimal = argv[2];
    std::wstring folder = argv[3];
    int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 15;

    // One untimed round first, so that neither program pays for a cold cache.
    time_to_window(kaldrin, L"NoltMedToolWnd", folder);
    time_to_window(minimal, L"KaldrinMinimalWnd", folder);
    time_process(kaldrin, L"--selftest startup_selftest.txt", folder);
    time_process(minimal, L"--exit", folder);

    // Each pair runs in turn in both orders, so that whatever a run leaves
    // behind in Wine (a closing window, a busy server) weighs on both
    // programs alike; the two measurements run as separate phases.
    std::vector<double> kaldrin_window, minimal_window, kaldrin_selftest, minimal_exit;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            kaldrin_window.push_back(time_to_window(kaldrin, L"NoltMedToolWnd", folder));
            minimal_window.push_back(time_to_window(minimal, L"KaldrinMinimalWnd", folder));
        } else {
            minimal_window.push_back(time_to_window(minimal, L"KaldrinMinimalWnd", folder));
            kaldrin_window.push_back(time_to_window(kaldrin, L"NoltMedToolWnd", folder));
        }
    }
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            kaldrin_selftest.push_back(time_process(kaldrin, L"--selftest startup_selftest.txt", folder));
            minimal_exit.push_back(time_process(minimal, L"--exit", folder));
        } else {
            minimal_exit.push_back(time_process(minimal, L"--exit", folder));
            kaldrin_selftest.push_back(time_process(kaldrin, L"--selftest startup_selftest.txt", folder));
        }
    }
    for (double v : kaldrin_window) {
        if (v < 0) {
            std::fprintf(stderr, "a window did not appear\n");
            return 1;
        }
    }
    double kw = median(kaldrin_window), mw = median(minimal_window);
    double ks = median(kaldrin_selftest), ms = median(minimal_exit);
    double kw_min = least(kaldrin_window), mw_min = least(minimal_window);
    double ks_min = least(kaldrin_selftest), ms_min = least(minimal_exit);
    std::printf("runs per program: %d\n", runs);
    std::printf("                       kaldrin.exe      minimal    ratio   (fastest: kaldrin / minimal, ratio)\n");
    std::printf("window exists     %10.1f ms %10.1f ms   %5.2f   (%.1f / %.1f ms, %.2f)\n", kw, mw, kw / mw, kw_min,
                mw_min, kw_min / mw_min);
    std::printf("self-test process %10.1f ms %10.1f ms   %5.2f   (%.1f / %.1f ms, %.2f)\n", ks, ms, ks / ms, ks_min,
                ms_min, ks_min / ms_min);
    std::printf("medians; target: ratio within 1.30\n");
    return 0;
}
