// The save command of kaldrin.exe: the record file under the local
// application-data folder, its bytes, and the user's feedback when a save
// works and when it does not.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "records/record_log.h"
#include "tests/e2e/e2e_support.h"

namespace {

const char BOM[] = "\xEF\xBB\xBF";
const char HEADER[] = "时间,工具,肌酐清除率,年龄,体重,结果\r\n";
// A row of tool 51 at its defaults after the time field.
const char DEFAULT_ROW_REST[] = ",Kaldrin,肌酐清除率=70,年龄=70,体重=65,减量条件数：0 项 阿哌沙班剂量：5.0 mg bid \r\n";

const wchar_t SAVED_TEXT[] = L"本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。";
const wchar_t NEED_RESULT_TEXT[] = L"请先点击“计算”生成结果，再保存记录。";

// What a failure box says after the file's path, by cause.
// Held by another program or by another copy's save: the save cannot tell
// which, and the box names both.
const wchar_t HELD_TEXT[] =
    L"该文件正被其他程序（如 Excel）打开，或本程序的另一个窗口正在向它保存记录。请关闭在其他程序中打开的该文件，或稍后重试。";
const wchar_t NOT_ENCODABLE_TEXT[] =
    L"该文件已被其他程序（如 Excel）按另一种文字编码另存过，存不下本次结果中的文字。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
const wchar_t UTF16_TEXT[] =
    L"该文件已被其他程序（如 Excel）另存为“Unicode 文本”，本程序不能在其中追加记录。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
const wchar_t BLANK_TOO_LONG_TEXT[] =
    L"该文件很大，开头却全是空行，本程序无法确认其中没有记录，因此不会改写它。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
const wchar_t NO_APP_DATA_TEXT[] =
    L"系统没有提供本机用户的应用数据文件夹，记录无处保存。请联系信息科，检查本机用户的应用数据文件夹设置。";
const wchar_t PATH_TOO_LONG_TEXT[] =
    L"记录文件夹的路径太长，无法在那里保存记录。请联系信息科，检查本机用户的应用数据文件夹设置。";
const wchar_t DISK_FULL_TEXT[] =
    L"磁盘空间已满（或已用完分配给您的存储空间）。请删除不需要的文件腾出空间，或联系信息科，然后重试。";

const wchar_t SHELL_FOLDERS_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t LOCAL_APP_DATA_VALUE[] = L"Local AppData";
const wchar_t LOCAL_APP_DATA_DEFAULT[] = L"%USERPROFILE%\\AppData\\Local";

std::wstring record_file() {
    return records_folder() + L"\\T051.csv";
}

bool folder_exists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Removes the record file and its folders, so that the next save starts anew.
void remove_records() {
    delete_file(record_file());
    RemoveDirectoryW(records_folder().c_str());
    RemoveDirectoryW(suite_folder().c_str());
    ASSERT_FALSE(folder_exists(suite_folder())) << "the record folder could not be removed";
}

// Makes the record folder, empty, for a test that writes the file first.
void make_record_folders() {
    ASSERT_TRUE(CreateDirectoryW(suite_folder().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(records_folder().c_str(), nullptr));
}

void write_file_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

// "YYYY-MM-DD HH:MM:SS" of the local time now, as the rows write it.
std::string local_time_text() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{now.wYear},
                  unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute},
                  unsigned{now.wSecond});
    return text;
}

std::vector<std::string> lines_of(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = bytes.find("\r\n"); end != std::string::npos; end = bytes.find("\r\n", start)) {
        lines.push_back(bytes.substr(start, end + 2 - start));
        start = end + 2;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));  // an unfinished last line
    return lines;
}

// Checks that a row begins with a well-formed time between two moments and
// that the rest of it is as expected.
void expect_row(const std::string& row, const std::string& rest, const std::string& not_before,
                const std::string& not_after) {
    ASSERT_GE(row.size(), 19u) << row;
    std::string time = row.substr(0, 19);
    const char pattern[] = "dddd-dd-dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        if (pattern[i] == 'd') {
            EXPECT_TRUE(time[i] >= '0' && time[i] <= '9') << time;
        } else {
            EXPECT_EQ(time[i], pattern[i]) << time;
        }
    }
    EXPECT_GE(time, not_before);
    EXPECT_LE(time, not_after);
    EXPECT_EQ(row.substr(19), rest);
}

// Checks that the file holds the bytes it kept and one row more: tool 51 at
// its defaults, saved between before and now.
void expect_one_row_added(const std::string& bytes, const std::string& kept, const std::string& before) {
    ASSERT_EQ(bytes.substr(0, kept.size()), kept);
    std::vector<std::string> added = lines_of(bytes.substr(kept.size()));
    ASSERT_EQ(added.size(), 1u) << bytes.substr(kept.size());
    expect_row(added[0], DEFAULT_ROW_REST, before, local_time_text());
}

// Clicks save and returns the message box it shows, already dismissed, after
// checking that it is the only one.
ShownBox save(KaldrinApp& app) {
    app.click(ID_SAVE);
    ShownBox box = app.wait_message_box();
    app.dismiss(box);
    EXPECT_FALSE(app.has_message_box()) << "a second message box followed";
    return box;
}

// Another program holding the record file: opened here the way it opens it,
// and closed after hold_ms by a thread of the driver, whatever the test does
// meanwhile.
class HeldFile {
public:
    HeldFile(DWORD access, DWORD share, DWORD hold_ms) {
        file_ = CreateFileW(record_file().c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
        if (file_ == INVALID_HANDLE_VALUE) return;
        release_ = std::thread([file = file_, hold_ms] {
            Sleep(hold_ms);
            CloseHandle(file);
        });
    }
    ~HeldFile() {
        if (release_.joinable()) release_.join();
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool held() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::thread release_;
};

// Posts the save command, gives the idle window a moment to take it, then
// sends a message as another program would (an assistive tool, or Windows
// asking whether the session may end) and waits for the answer. after_ms
// counts from the command: how long the window went unanswered.
struct Answer {
    bool answered;
    LRESULT result;
    DWORD after_ms;
};
Answer post_save_then_ask(KaldrinApp& app, UINT message = WM_NULL, WPARAM wparam = 0, LPARAM lparam = 0) {
    const DWORD posted = GetTickCount();
    PostMessageW(app.window(), WM_COMMAND, ID_SAVE, 0);
    Sleep(100);
    DWORD_PTR result = 0;
    bool answered = SendMessageTimeoutW(app.window(), message, wparam, lparam, SMTO_NORMAL, 10000, &result) != 0;
    return {answered, static_cast<LRESULT>(result), GetTickCount() - posted};
}

// Presses a box's OK button when the window goes with it: nothing to wait for
// in the window afterwards.
void press_ok_and_let_go(const ShownBox& box) {
    ASSERT_NE(box.window, nullptr);
    PostMessageW(GetDlgItem(box.window, IDOK), BM_CLICK, 0, 0);
}

void expect_saved_box(const ShownBox& box) {
    EXPECT_EQ(box.title, L"已保存");
    EXPECT_EQ(box.text, SAVED_TEXT);
    EXPECT_TRUE(box.information_icon);
    EXPECT_EQ(box.buttons, 1);
}

void expect_failed_box(const ShownBox& box, const std::wstring& path, const wchar_t* why = HELD_TEXT) {
    EXPECT_EQ(box.title, L"保存失败");
    EXPECT_EQ(box.text, L"本次结果未能写入记录文件：\r\n" + path + L"\r\n" + why);
    EXPECT_TRUE(box.warning_icon);
    EXPECT_EQ(box.buttons, 1);
}

// The local application-data folder as the shell reports it, set through the
// user's shell folders; restored when the guard ends.
class AppDataSetting {
public:
    explicit AppDataSetting(const wchar_t* value) { set(value); }
    ~AppDataSetting() { set(LOCAL_APP_DATA_DEFAULT); }
    AppDataSetting(const AppDataSetting&) = delete;
    AppDataSetting& operator=(const AppDataSetting&) = delete;

    static void set(const wchar_t* value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        DWORD size = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
        EXPECT_EQ(RegSetValueExW(key, LOCAL_APP_DATA_VALUE, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value),
                                 size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

class SaveRecord : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A run that ended inside the unknown-folder test must not leave the
        // prefix without its folder.
        AppDataSetting::set(LOCAL_APP_DATA_DEFAULT);
    }
    void SetUp() override {
        ASSERT_FALSE(local_app_data().empty()) << "the driver finds no local application-data folder";
        remove_records();
    }
};

}  // namespace

TEST_F(SaveRecord, FirstSaveCreatesFoldersAndFileThenEachSaveAddsOneRow) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);

    std::string before = local_time_text();
    expect_saved_box(save(app));
    std::string after = local_time_text();
    EXPECT_TRUE(folder_exists(suite_folder()));
    EXPECT_TRUE(folder_exists(records_folder()));
    EXPECT_TRUE(app.status_shows(L"记录已保存：" + record_file()));

    std::string first = read_file_bytes(record_file());
    ASSERT_EQ(first.substr(0, 3), BOM);
    std::vector<std::string> lines = lines_of(first.substr(3));
    ASSERT_EQ(lines.size(), 2u) << first;
    EXPECT_EQ(lines[0], HEADER);
    expect_row(lines[1], DEFAULT_ROW_REST, before, after);

    // The second save appends exactly one row: no second mark, no second header.
    before = local_time_text();
    expect_saved_box(save(app));
    after = local_time_text();
    std::string second = read_file_bytes(record_file());
    ASSERT_GT(second.size(), first.size());
    EXPECT_EQ(second.substr(0, first.size()), first);
    std::vector<std::string> added = lines_of(second.substr(first.size()));
    ASSERT_EQ(added.size(), 1u) << second;
    expect_row(added[0], DEFAULT_ROW_REST, before, after);
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, WithoutAResultNothingIsTouched) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());

    // Before any computation.
    ShownBox box = save(app);
    EXPECT_EQ(box.title, L"提示");
    EXPECT_EQ(box.text, NEED_RESULT_TEXT);
    EXPECT_TRUE(box.information_icon);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_TRUE(app.status_shows(L"就绪：填写参数后按 F5 或点击“计算”"));

    // After computing and resetting.
    app.click(ID_COMPUTE);
    app.click(ID_RESET);
    box = save(app);
    EXPECT_EQ(box.title, L"提示");
    EXPECT_EQ(box.text, NEED_RESULT_TEXT);
    EXPECT_TRUE(app.status_shows(L"已恢复默认值"));

    // Not even the folders were made.
    EXPECT_FALSE(folder_exists(suite_folder()));
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, WritesTheValuesOfTheLastComputationNotTheEditedFields) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(0, L"1234567");
    app.set_field(1, L"0.30000000000000004");
    app.set_field(2, L"58.25");
    app.click(ID_COMPUTE);
    app.set_field(0, L"30");
    app.set_field(2, L"");

    std::string before = local_time_text();
    expect_saved_box(save(app));
    std::string after = local_time_text();
    std::vector<std::string> lines = lines_of(read_file_bytes(record_file()).substr(3));
    ASSERT_EQ(lines.size(), 2u);
    expect_row(lines[1],
               ",Kaldrin,肌酐清除率=1.23457e+06,年龄=0.3,体重=58.25,减量条件数：1 项 阿哌沙班剂量：5.0 mg bid \r\n",
               before, after);

    // The full stop a Chinese input method types in Chinese punctuation mode
    // is the point: ６０。５ is 60.5, above the weight limit of 60, not 60.
    app.set_field(0, L"40");
    app.set_field(1, L"70");
    app.set_field(2, L"\uFF16\uFF10\u3002\uFF15");
    app.click(ID_COMPUTE);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(app.result(), L"减量条件数：1 项\r\n阿哌沙班剂量：5.0 mg bid\r\n");
    before = local_time_text();
    expect_saved_box(save(app));
    lines = lines_of(read_file_bytes(record_file()).substr(3));
    ASSERT_EQ(lines.size(), 3u);
    expect_row(lines[2], ",Kaldrin,肌酐清除率=40,年龄=70,体重=60.5,减量条件数：1 项 阿哌沙班剂量：5.0 mg bid \r\n", before,
               local_time_text());
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, FileAnotherProgramHoldsIsTriedForASecondWhileTheWindowWaits) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));

    // The save opens the file for itself alone: a program that holds it
    // denying writers, or writes it itself, keeps the save out. Held for a
    // moment, the file is waited out; held longer than the retry's second,
    // the save says so and leaves the file as it was.
    struct Case {
        const char* name;
        DWORD access;
        DWORD share;
        DWORD hold_ms;
        bool saved;
    };
    const Case cases[] = {
        {"a spreadsheet sharing it with nobody, 3 s", GENERIC_READ | GENERIC_WRITE, 0, 3000, false},
        {"another copy's save, sharing it with readers, 3 s", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, 3000,
         false},
        {"a virus scanner reading it, 150 ms", GENERIC_READ, FILE_SHARE_READ, 150, true},
        {"a program writing it beside others, 400 ms", GENERIC_READ | GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE, 400, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string kept = read_file_bytes(record_file());
        const std::string before = local_time_text();
        Answer answer = {};
        ShownBox box;
        {
            HeldFile held(c.access, c.share, c.hold_ms);
            ASSERT_TRUE(held.held());
            // The window answers nothing until the outcome is known: about
            // the retry's second at the most, far below the five seconds
            // after which Windows shows a window as not responding.
            answer = post_save_then_ask(app);
            box = app.wait_message_box();
            app.dismiss(box);
        }
        ASSERT_TRUE(answer.answered);
        std::printf("[ measured ] %s: the window went unanswered for %lu ms\n", c.name,
                    static_cast<unsigned long>(answer.after_ms));
        EXPECT_LT(answer.after_ms, 2000u);
        EXPECT_FALSE(app.has_message_box()) << "a second box followed";
        const std::string bytes = read_file_bytes(record_file());
        if (c.saved) {
            EXPECT_GE(answer.after_ms + 50, c.hold_ms) << "saved while the file was held";
            expect_saved_box(box);
            EXPECT_TRUE(app.status_shows(L"记录已保存：" + record_file()));
            expect_one_row_added(bytes, kept, before);
        } else {
            EXPECT_GE(answer.after_ms, 900u) << "the save did not try again";
            expect_failed_box(box, record_file());
            EXPECT_TRUE(app.status_shows(L"记录保存失败：" + record_file()));
            EXPECT_EQ(bytes, kept);
        }
    }
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, UnknownApplicationDataFolderWritesNowhere) {
    std::wstring expected_path = L"%LOCALAPPDATA%\\NoltMedSuite\\records\\T051.csv";
    std::wstring drive_root = work_folder().substr(0, 3);  // the current folder's drive
    {
        AppDataSetting unknown(L"");
        ASSERT_TRUE(local_app_data().empty()) << "the shell still reports a folder";
        KaldrinApp app;
        ASSERT_TRUE(app.start());
        app.click(ID_COMPUTE);
        ShownBox box = save(app);
        expect_failed_box(box, expected_path, NO_APP_DATA_TEXT);
        EXPECT_TRUE(app.status_shows(L"记录保存失败：" + expected_path));
        EXPECT_EQ(app.close(), 0u);
    }
    // A folder whose record folder would be longer than a path may be: the
    // box names the whole file it was meant for.
    std::wstring deep = work_folder() + L"\\" + std::wstring(250 - work_folder().size(), L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    {
        AppDataSetting too_long(deep.c_str());
        ASSERT_EQ(local_app_data(), deep) << "the shell does not report the long folder";
        KaldrinApp app;
        ASSERT_TRUE(app.start());
        app.click(ID_COMPUTE);
        // A path this long cannot wrap: the box is wider than the screen and
        // its icon off it, so only the text is read.
        app.click(ID_SAVE);
        ShownBox box = app.wait_message_box(10000, false);
        app.dismiss(box);
        EXPECT_EQ(box.text, L"本次结果未能写入记录文件：\r\n" + deep + L"\\NoltMedSuite\\records\\T051.csv\r\n" +
                                PATH_TOO_LONG_TEXT);
        EXPECT_EQ(app.close(), 0u);
    }
    EXPECT_FALSE(folder_exists(deep + L"\\NoltMedSuite"));
    RemoveDirectoryW(deep.c_str());
    ASSERT_FALSE(local_app_data().empty());
    EXPECT_FALSE(folder_exists(suite_folder()));
    EXPECT_FALSE(folder_exists(work_path(L"NoltMedSuite")));
    EXPECT_FALSE(folder_exists(drive_root + L"NoltMedSuite"));
    EXPECT_FALSE(folder_exists(L"C:\\NoltMedSuite"));
}

TEST_F(SaveRecord, FileWithoutHeaderOrWithAnUnfinishedLineGetsWhatItLacks) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    make_record_folders();

    // An empty file is started like a new one.
    write_file_bytes(record_file(), "");
    std::string before = local_time_text();
    expect_saved_box(save(app));
    std::string after = local_time_text();
    std::string bytes = read_file_bytes(record_file());
    ASSERT_EQ(bytes.substr(0, 3 + sizeof HEADER - 1), std::string(BOM) + HEADER);
    expect_row(bytes.substr(3 + sizeof HEADER - 1), DEFAULT_ROW_REST, before, after);

    // A file that holds no header line (here the byte-order mark, line ends,
    // blanks and tabs, as a spreadsheet leaves one whose cells were cleared;
    // the record tests hold the other forms) is begun again like a new one:
    // one mark at byte 0, then the header; the blank lines beyond go.
    std::string cleared_cells = BOM;
    while (cleared_cells.size() < 200000) cleared_cells += " \t\t \r\n\t\r\n";
    for (const std::string& headerless : {std::string(BOM), cleared_cells}) {
        SCOPED_TRACE(testing::PrintToString(headerless));
        write_file_bytes(record_file(), headerless);
        before = local_time_text();
        expect_saved_box(save(app));
        after = local_time_text();
        bytes = read_file_bytes(record_file());
        ASSERT_EQ(bytes.substr(0, 3 + sizeof HEADER - 1), std::string(BOM) + HEADER);
        std::vector<std::string> rows = lines_of(bytes.substr(3 + sizeof HEADER - 1));
        ASSERT_EQ(rows.size(), 1u);
        expect_row(rows[0], DEFAULT_ROW_REST, before, after);
    }

    // A last line left unfinished (by hand or by a failed write) is ended
    // before the row, so that the row stands on a line of its own.
    std::string unfinished = std::string(BOM) + HEADER + "2027-01-02 09:05:03,Kaldrin,肌酐清";
    write_file_bytes(record_file(), unfinished);
    before = local_time_text();
    expect_saved_box(save(app));
    after = local_time_text();
    bytes = read_file_bytes(record_file());
    ASSERT_EQ(bytes.substr(0, unfinished.size() + 2), unfinished + "\r\n");
    expect_row(bytes.substr(unfinished.size() + 2), DEFAULT_ROW_REST, before, after);
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, CommandsAndKeysDuringASaveRunNothingBehindItsBox) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));
    const std::string kept = read_file_bytes(record_file());
    const std::wstring shown_result = app.result();
    const std::wstring shown_verdict = app.verdict();
    // Typed after computing: a computation would show another result.
    app.set_field(0, L"30");
    ASSERT_TRUE(write_clipboard_text(L"before the save"));

    // Commands another program posts while the save waits out a file held
    // for a moment wait in the queue, reach the window while the save's box
    // is open and do nothing: no reset, no computation, no copy, no About
    // box, no second save. An Enter the user presses meanwhile does not
    // close the box unread.
    ASSERT_TRUE(SetForegroundWindow(app.window()));
    ASSERT_EQ(GetForegroundWindow(), app.window()) << "the key would go elsewhere";
    const std::string before = local_time_text();
    {
        HeldFile held(GENERIC_READ, FILE_SHARE_READ, 300);
        ASSERT_TRUE(held.held());
        PostMessageW(app.window(), WM_COMMAND, ID_SAVE, 0);
        for (int id : {ID_RESET, ID_COMPUTE, ID_COPY, ID_ABOUT, ID_SAVE}) {
            PostMessageW(app.window(), WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
        Sleep(100);
        INPUT enter[2] = {};
        enter[0].type = INPUT_KEYBOARD;
        enter[0].ki.wVk = VK_RETURN;
        enter[1] = enter[0];
        enter[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ASSERT_EQ(SendInput(2, enter, sizeof(INPUT)), 2u);
        ShownBox box = app.wait_message_box();
        Sleep(300);
        EXPECT_TRUE(IsWindow(box.window)) << "the key pressed during the save closed the box";
        app.dismiss(box);
        expect_saved_box(box);
    }
    EXPECT_FALSE(app.has_message_box()) << "a second box followed";
    const std::string bytes = read_file_bytes(record_file());
    expect_one_row_added(bytes, kept, before);
    EXPECT_EQ(app.result(), shown_result);
    EXPECT_EQ(app.verdict(), shown_verdict);
    EXPECT_EQ(app.field_text(0), L"30");
    EXPECT_EQ(read_clipboard_text(), L"before the save");
    EXPECT_TRUE(app.status_shows(L"记录已保存：" + record_file()));

    // Once the box is closed, the commands work again.
    app.click(ID_COMPUTE);
    EXPECT_NE(app.result(), shown_result);
    expect_saved_box(save(app));
    EXPECT_EQ(app.close(), 0u);
}

namespace {

// A save into a file another copy's save holds (it can be read meanwhile),
// for a moment or beyond the retry.
struct HeldSave {
    const char* name;
    DWORD hold_ms;
    bool saved;
};
const HeldSave HELD_SAVES[] = {
    {"held for a moment: saved", 300, true},
    {"held for 3 s: not saved", 3000, false},
};

}  // namespace

TEST_F(SaveRecord, CloseDuringASaveClosesTheWindowOnlyAfterItsBox) {
    // A close another program posts during the save (the caption's close,
    // the system menu and Alt+F4 arrive so): the save ends, its box says how,
    // and the window closes once the box is closed.
    for (const HeldSave& c : HELD_SAVES) {
        SCOPED_TRACE(c.name);
        KaldrinApp app;
        ASSERT_TRUE(app.start());
        app.click(ID_COMPUTE);
        expect_saved_box(save(app));
        const std::string kept = read_file_bytes(record_file());
        const std::string before = local_time_text();
        HeldFile held(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, c.hold_ms);
        ASSERT_TRUE(held.held());
        PostMessageW(app.window(), WM_COMMAND, ID_SAVE, 0);
        PostMessageW(app.window(), WM_CLOSE, 0, 0);
        ShownBox box = app.wait_message_box();
        Sleep(300);
        EXPECT_TRUE(IsWindow(app.window())) << "the window closed while the box was shown";
        EXPECT_TRUE(IsWindow(box.window));
        press_ok_and_let_go(box);
        EXPECT_EQ(app.wait_exit(), 0u);
        const std::string bytes = read_file_bytes(record_file());
        if (c.saved) {
            expect_saved_box(box);
            expect_one_row_added(bytes, kept, before);
        } else {
            expect_failed_box(box, record_file());
            EXPECT_EQ(bytes, kept);
        }
    }
}

TEST_F(SaveRecord, LogOffDuringASaveIsAnsweredOnceTheOutcomeIsKnown) {
    // Windows asks every window whether the session may end and waits for
    // the answer. Asked during a save, the window answers once the row is in
    // the file or the save has failed, and lets the session end.
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));
    for (const HeldSave& c : HELD_SAVES) {
        SCOPED_TRACE(c.name);
        const std::string kept = read_file_bytes(record_file());
        const std::string before = local_time_text();
        HeldFile held(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, c.hold_ms);
        ASSERT_TRUE(held.held());
        Answer asked = post_save_then_ask(app, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        const std::string at_answer = read_file_bytes(record_file());
        ASSERT_TRUE(asked.answered);
        EXPECT_NE(asked.result, FALSE);
        std::printf("[ measured ] %s: the end of the session was answered after %lu ms\n", c.name,
                    static_cast<unsigned long>(asked.after_ms));
        EXPECT_LT(asked.after_ms, 2000u);
        ShownBox box = app.wait_message_box();
        app.dismiss(box);
        if (c.saved) {
            expect_saved_box(box);
            // The row was whole when the session was let end.
            expect_one_row_added(at_answer, kept, before);
        } else {
            expect_failed_box(box, record_file());
            EXPECT_EQ(at_answer, kept);
        }
    }
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, TwoHundredSavesGiveTwoHundredRowsAndOneHeader) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    std::string before = local_time_text();
    for (int i = 0; i < 200; ++i) {
        ShownBox box = save(app);
        ASSERT_EQ(box.title, L"已保存") << "save " << i + 1;
    }
    std::string after = local_time_text();
    std::string bytes = read_file_bytes(record_file());
    ASSERT_EQ(bytes.substr(0, 3), BOM);
    EXPECT_EQ(bytes.find(BOM, 3), std::string::npos);
    std::vector<std::string> lines = lines_of(bytes.substr(3));
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_EQ(lines[0], HEADER);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        expect_row(lines[i], DEFAULT_ROW_REST, before, after);
    }
    EXPECT_EQ(app.close(), 0u);
}

TEST_F(SaveRecord, SeveralCopiesSavingAtOnceNeverLoseRepeatOrBreakALine) {
    // Four copies, each with its own creatinine clearance so that every row
    // tells which copy wrote it, press save at the same moment, round after
    // round: first into a new file each round, then into one that grows.
    constexpr int COPIES = 4;
    std::unique_ptr<KaldrinApp> apps[COPIES];
    std::string rests[COPIES];
    for (int i = 0; i < COPIES; ++i) {
        apps[i] = std::make_unique<KaldrinApp>();
        ASSERT_TRUE(apps[i]->start());
        apps[i]->set_field(0, std::to_wstring(70 + i));
        apps[i]->click(ID_COMPUTE);
        rests[i] = ",Kaldrin,肌酐清除率=" + std::to_string(70 + i) +
                   ",年龄=70,体重=65,减量条件数：0 项 阿哌沙班剂量：5.0 mg bid \r\n";
    }
    auto save_together = [&apps]() {
        // The command the button sends, posted to all four at once: a click
        // would pass through each button's focus and capture first.
        for (auto& app : apps) {
            PostMessageW(app->window(), WM_COMMAND, MAKEWPARAM(ID_SAVE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(app->control(ID_SAVE)));
        }
        for (auto& app : apps) {
            ShownBox box = app->wait_message_box(10000, false);
            EXPECT_EQ(box.title, L"已保存");
            app->dismiss(box);
        }
    };
    // Every line whole: one mark, one header, and saves_each rows of each copy.
    auto expect_file = [&rests](int saves_each, const std::string& not_before, const std::string& not_after) {
        std::string bytes = read_file_bytes(record_file());
        ASSERT_EQ(bytes.substr(0, 3), BOM);
        EXPECT_EQ(bytes.find(BOM, 3), std::string::npos) << "a second byte-order mark";
        std::vector<std::string> lines = lines_of(bytes.substr(3));
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(1 + COPIES * saves_each)) << bytes;
        EXPECT_EQ(lines[0], HEADER);
        int rows_of[COPIES] = {};
        for (std::size_t n = 1; n < lines.size(); ++n) {
            bool known = false;
            for (int i = 0; i < COPIES && !known; ++i) {
                if (lines[n].size() > 19 && lines[n].substr(19) == rests[i]) {
                    known = true;
                    ++rows_of[i];
                    expect_row(lines[n], rests[i], not_before, not_after);
                }
            }
            EXPECT_TRUE(known) << "line " << n << " is not a whole row: " << lines[n];
        }
        for (int i = 0; i < COPIES; ++i) EXPECT_EQ(rows_of[i], saves_each) << "copy " << i;
    };

    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(testing::Message() << "new file, round " << round);
        delete_file(record_file());
        std::string before = local_time_text();
        save_together();
        expect_file(1, before, local_time_text());
    }
    delete_file(record_file());
    std::string before = local_time_text();
    for (int round = 0; round < 30; ++round) save_together();
    expect_file(30, before, local_time_text());
    for (auto& app : apps) EXPECT_EQ(app->close(), 0u);
}

TEST_F(SaveRecord, FileItCannotAppendToIsLeftAlone) {
    struct Case {
        const char* name;
        std::string bytes;
        bool applies;
        const wchar_t* why;
    };
    const Case cases[] = {
        // 时间 in UTF-16 LE with its byte-order mark, as a spreadsheet's "Unicode text".
        {"UTF-16", std::string("\xFF\xFE\xF6\x65\xF4\x95\r\0\n\0", 10), true, UTF16_TEXT},
        // A file in the ANSI code page 1252, which has no form for the row's
        // Chinese text: no row with '?' in it.
        {"code page 1252", "time,tool,crcl,age,weight,result\r\n", GetACP() == 1252, NOT_ENCODABLE_TEXT},
        // Blank further than a save reads: never written anew unread.
        {"blank beyond what a save reads", std::string(RECORD_BLANK_READ_LIMIT + 1, '\n'), true, BLANK_TOO_LONG_TEXT},
    };
    make_record_folders();
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.applies) {
            std::printf("skipped: the case %s needs another ANSI code page than %u\n", c.name, GetACP());
            continue;
        }
        write_file_bytes(record_file(), c.bytes);
        expect_failed_box(save(app), record_file(), c.why);
        EXPECT_TRUE(app.status_shows(L"记录保存失败：" + record_file()));
        EXPECT_EQ(read_file_bytes(record_file()), c.bytes);
    }
    EXPECT_EQ(app.close(), 0u);
}

namespace {

// Fills the file system that holds the folder with a file of its own until
// no byte more fits; returns that file's path.
std::wstring fill_disk(const std::wstring& folder) {
    std::wstring filler = folder + L"\\filler.bin";
    HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    const std::string chunk(4096, 'f');
    DWORD total = 0;
    for (DWORD size : {4096u, 1u}) {
        DWORD written = 0;
        while (total < (1u << 24) && WriteFile(file, chunk.data(), size, &written, nullptr) && written == size) {
            total += written;
        }
    }
    CloseHandle(file);
    return filler;
}

}  // namespace

TEST_F(SaveRecord, FullDiskLeavesTheFileAsItWasAndTheNextSaveIsWhole) {
    const std::wstring disk = environment(L"KALDRIN_E2E_SMALL_DISK");
    if (disk.empty()) GTEST_SKIP() << "no small file system is mounted (run-e2e.sh mounts a tmpfs as root)";
    AppDataSetting on_small_disk(disk.c_str());
    ASSERT_EQ(local_app_data(), disk);
    remove_records();
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));

    // The file ends 25 bytes short of a page of the file system: the next row
    // begins to fit, then the disk is full in its middle.
    std::string kept = read_file_bytes(record_file());
    ASSERT_LT(kept.size(), 4000u);
    // Built by appending: g++ 12 sees an overlapping copy in `"#" + std::string(...)`
    // under C++20 (-Wrestrict) where there is none.
    std::string pad_line = "#";
    pad_line.append(4096 - 25 - kept.size() - 3, 'x');
    pad_line += "\r\n";
    kept += pad_line;
    write_file_bytes(record_file(), kept);
    std::wstring filler = fill_disk(disk);
    expect_failed_box(save(app), record_file(), DISK_FULL_TEXT);
    EXPECT_TRUE(app.status_shows(L"记录保存失败：" + record_file()));
    EXPECT_EQ(read_file_bytes(record_file()), kept) << "the failed save left bytes behind";

    // Once there is room again, the row is whole and on a line of its own.
    delete_file(filler);
    std::string before = local_time_text();
    expect_saved_box(save(app));
    std::string bytes = read_file_bytes(record_file());
    ASSERT_EQ(bytes.substr(0, kept.size()), kept);
    std::vector<std::string> added = lines_of(bytes.substr(kept.size()));
    ASSERT_EQ(added.size(), 1u) << bytes.substr(kept.size());
    expect_row(added[0], DEFAULT_ROW_REST, before, local_time_text());

    // A new file on a full disk is cut back to nothing, never deleted; the
    // next save begins it like any new file.
    delete_file(record_file());
    filler = fill_disk(disk);
    expect_failed_box(save(app), record_file(), DISK_FULL_TEXT);
    EXPECT_EQ(read_file_bytes(record_file()), "");
    delete_file(filler);
    before = local_time_text();
    expect_saved_box(save(app));
    bytes = read_file_bytes(record_file());
    ASSERT_EQ(bytes.substr(0, 3 + sizeof HEADER - 1), std::string(BOM) + HEADER);
    expect_row(bytes.substr(3 + sizeof HEADER - 1), DEFAULT_ROW_REST, before, local_time_text());
    EXPECT_EQ(app.close(), 0u);
    remove_records();
}

namespace {

// Tool 51's header and rows in GBK, the code page 936 a Chinese spreadsheet
// saves a CSV file in.
const char GBK_HEADER[] =
    "\xCA\xB1\xBC\xE4,\xB9\xA4\xBE\xDF,\xBC\xA1\xF4\xFB\xC7\xE5\xB3\xFD\xC2\xCA,\xC4\xEA\xC1\xE4,"
    "\xCC\xE5\xD6\xD8,\xBD\xE1\xB9\xFB\r\n";
const char GBK_ROW[] =
    "2026-12-01 08:00:00,Kaldrin,\xBC\xA1\xF4\xFB\xC7\xE5\xB3\xFD\xC2\xCA=40,\xC4\xEA\xC1\xE4=85,"
    "\xCC\xE5\xD6\xD8=55.5,\xBC\xF5\xC1\xBF\xCC\xF5\xBC\xFE\xCA\xFD\xA3\xBA" "3 \xCF\xEE "
    "\xB0\xA2\xDF\xDF\xC9\xB3\xB0\xE0\xBC\xC1\xC1\xBF\xA3\xBA" "2.5 mg bid \r\n";
const char GBK_DEFAULT_ROW_REST[] =
    ",Kaldrin,\xBC\xA1\xF4\xFB\xC7\xE5\xB3\xFD\xC2\xCA=70,\xC4\xEA\xC1\xE4=70,\xCC\xE5\xD6\xD8=65,"
    "\xBC\xF5\xC1\xBF\xCC\xF5\xBC\xFE\xCA\xFD\xA3\xBA" "0 \xCF\xEE \xB0\xA2\xDF\xDF\xC9\xB3\xB0\xE0"
    "\xBC\xC1\xC1\xBF\xA3\xBA" "5.0 mg bid \r\n";

// The text of bytes in a code page (936 for GBK, CP_UTF8), or "<invalid>"
// when they are not in it.
std::wstring decoded(const std::string& bytes, UINT code_page) {
    int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                0);
    if (n <= 0) return L"<invalid>";
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}

}  // namespace

// Runs in a pass of its own with Wine's ANSI code page set to 936 (run-e2e.sh).
class SaveRecordAnsi : public SaveRecord {
protected:
    void SetUp() override {
        if (environment(L"KALDRIN_E2E_REQUIRE_ACP") == L"936") {
            ASSERT_EQ(GetACP(), 936u) << "Wine did not take code page 936 from LC_ALL";
        } else if (GetACP() != 936) {
            GTEST_SKIP() << "runs in the pass with the ANSI code page 936 (run-e2e.sh)";
        }
        SaveRecord::SetUp();
    }
};

TEST_F(SaveRecordAnsi, FileASpreadsheetSavedWithoutMarkKeepsItsEncoding) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* row_rest;  // in the file's encoding
        bool gbk;
        bool unfinished = false;  // the last line is ended before the row
    };
    // The row in the file's code page, through the system's conversion; the
    // record tests hold how the encoding is told.
    const Case cases[] = {
        {"GBK", std::string(GBK_HEADER) + GBK_ROW, GBK_DEFAULT_ROW_REST, true},
        // The last line cut inside 肌 (E8 82 8C), which E8 82 would be in GBK.
        {"UTF-8 without mark, character cut at the end", std::string(HEADER) + "2026-12-01 08:00:00,Kaldrin,\xE8\x82",
         DEFAULT_ROW_REST, false, true},
    };
    make_record_folders();
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file_bytes(record_file(), c.bytes);
        std::string before = local_time_text();
        expect_saved_box(save(app));
        std::string after = local_time_text();
        std::string bytes = read_file_bytes(record_file());
        ASSERT_EQ(bytes.substr(0, c.bytes.size()), c.bytes) << "no byte-order mark and no header are added";
        std::string added = bytes.substr(c.bytes.size());
        if (c.unfinished) {
            ASSERT_EQ(added.substr(0, 2), "\r\n");
            added = added.substr(2);
        }
        expect_row(added, c.row_rest, before, after);
        // The file as a whole still reads in its encoding, the new row as its Chinese text.
        // (A file whose line was cut inside a character reads so from the new row on.)
        EXPECT_NE(decoded(c.unfinished ? added : bytes, c.gbk ? 936 : CP_UTF8)
                      .find(L",Kaldrin,肌酐清除率=70,年龄=70,体重=65,减量条件数：0 项 阿哌沙班剂量：5.0 mg bid \r\n"),
                  std::wstring::npos)
            << (c.gbk ? "not GBK" : "not UTF-8");
    }
    EXPECT_EQ(app.close(), 0u);
}

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

// The host's path of a Windows path, from Wine's kernel32 ("" elsewhere).
std::string unix_path(const std::wstring& path) {
    auto convert = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return "";
    char* name = convert(path.c_str());
    if (name == nullptr) return "";
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Python's csv module reads the file as UTF-8 with byte-order mark and writes
// each record it finds as one line of tab-separated cells.
const char CSV_READER[] =
    "import csv, os, sys\n"
    "source, target = sys.argv[1], sys.argv[2]\n"
    "try:\n"
    "    with open(source, encoding='utf-8-sig', newline='') as f:\n"
    "        text = '\\n'.join('\\t'.join(record) for record in csv.reader(f, strict=True)) + '\\n'\n"
    "except Exception as e:\n"
    "    text = 'ERROR ' + repr(e) + '\\n'\n"
    "with open(target + '.part', 'w', encoding='utf-8', newline='') as f:\n"
    "    f.write(text)\n"
    "os.replace(target + '.part', target)\n";

}  // namespace

TEST_F(SaveRecord, PythonsCsvModuleReadsTheFile) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));
    app.set_field(0, L"40");
    app.set_field(1, L"85");
    app.set_field(2, L"55.5");
    app.click(ID_COMPUTE);
    expect_saved_box(save(app));
    EXPECT_EQ(app.close(), 0u);

    std::wstring script = work_path(L"csv_reader.py");
    std::wstring answer = work_path(L"csv_reader.out");
    delete_file(answer);
    write_file_bytes(script, CSV_READER);
    std::string script_unix = unix_path(script);
    std::string record_unix = unix_path(record_file());
    std::string answer_unix = unix_path(answer);
    ASSERT_FALSE(script_unix.empty() || record_unix.empty() || answer_unix.empty())
        << "no Wine path conversion";

    // Wine starts host programs given by a path on the drive that maps "/".
    std::wstring command = L"Z:\\usr\\bin\\python3 \"" + std::wstring(script_unix.begin(), script_unix.end()) +
                           L"\" \"" + std::wstring(record_unix.begin(), record_unix.end()) + L"\" \"" +
                           std::wstring(answer_unix.begin(), answer_unix.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << "python3 could not be started: " << GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The host program's end is not reported to Windows programs: wait for its answer.
    for (int waited = 0; waited < 30000 && !file_exists(answer); waited += 50) Sleep(50);
    ASSERT_TRUE(file_exists(answer)) << "python3 gave no answer";

    std::vector<std::string> records;
    std::string text = read_file_bytes(answer);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        records.push_back(text.substr(start, end - start));
    }
    ASSERT_EQ(records.size(), 3u) << text;
    ASSERT_GE(records[1].size(), 19u);
    ASSERT_GE(records[2].size(), 19u);
    EXPECT_EQ(records[0], "时间\t工具\t肌酐清除率\t年龄\t体重\t结果");
    EXPECT_EQ(records[1].substr(19), "\tKaldrin\t肌酐清除率=70\t年龄=70\t体重=65\t减量条件数：0 项 阿哌沙班剂量：5.0 mg bid ");
    EXPECT_EQ(records[2].substr(19),
              "\tKaldrin\t肌酐清除率=40\t年龄=85\t体重=55.5\t减量条件数：3 项 阿哌沙班剂量：2.5 mg bid ");
}
