#pragma once
// Every text the window, its commands and its message boxes show: the one
// table of them. Formats use the placeholders of core/text.h. The texts of a
// particular tool come from its definition and its own resource header.

#include "core/suite_names.h"

// Window class and fonts.
inline constexpr wchar_t WINDOW_CLASS_NAME[] = L"NoltMedToolWnd";
inline constexpr wchar_t UI_FONT_FACE[] = L"Microsoft YaHei UI";
inline constexpr wchar_t RESULT_FONT_FACE[] = L"Consolas";

// The vendor's web address: a host name without scheme, shown in the header
// and at the end of the About text. The .example domain is reserved, so the
// address can never lead to somebody else's site.
inline constexpr wchar_t VENDOR_HOST[] = L"" KALDRIN_SUITE_HOST;

// Message box titles.
inline constexpr wchar_t TITLE_NOTICE[] = L"提示";
inline constexpr wchar_t TITLE_SAVED[] = L"已保存";
inline constexpr wchar_t TITLE_ABOUT[] = L"关于本工具";
inline constexpr wchar_t TITLE_INPUT_ERROR[] = L"输入有误";
inline constexpr wchar_t TITLE_SAVE_FAILED[] = L"保存失败";

// Status line.
inline constexpr wchar_t STATUS_READY[] = L"就绪：填写参数后按 F5 或点击“计算”";
inline constexpr wchar_t STATUS_COMPUTED_FORMAT[] = L"计算完成  %ls";
inline constexpr wchar_t STATUS_COPIED[] = L"结果已复制到剪贴板";
inline constexpr wchar_t STATUS_COPY_FAILED[] = L"复制失败：剪贴板暂不可用，请重试";
inline constexpr wchar_t STATUS_RESET[] = L"已恢复默认值";
inline constexpr wchar_t STATUS_SAVED_FORMAT[] = L"记录已保存：%ls";
inline constexpr wchar_t STATUS_SAVE_FAILED_FORMAT[] = L"记录保存失败：%ls";

// Controls and painted captions.
inline constexpr wchar_t VERDICT_PROMPT[] = L"填写左侧参数，点击“计算”";
inline constexpr wchar_t BASIS_FORMAT[] = L"参考依据：%ls";
inline constexpr wchar_t BUTTON_COMPUTE[] = L"计算 (F5)";
inline constexpr wchar_t BUTTON_SAVE[] = L"保存记录";
inline constexpr wchar_t BUTTON_COPY[] = L"复制结果";
inline constexpr wchar_t BUTTON_RESET[] = L"清空重填";
inline constexpr wchar_t BUTTON_ABOUT[] = L"关于";
inline constexpr wchar_t HEADER_SUBTITLE_FORMAT[] = L"%ls  ·  %ls";
inline constexpr wchar_t CAPTION_INPUTS[] = L"输入参数";
inline constexpr wchar_t CAPTION_RESULTS[] = L"计算结果";
// Stands in the input panel of a tool that asks for nothing.
inline constexpr wchar_t NO_INPUTS_HINT[] = L"本工具无需填写参数，按 F5 或点击“计算”即可生成。";

// Command messages and texts.
inline constexpr wchar_t INPUT_ERROR_FORMAT[] = L"第 %d 项“%ls”请输入数字。";
// A number with more after it that continues it ("60,5", "8O"): read whole or not at all.
inline constexpr wchar_t CONTINUED_NUMBER_FORMAT[] =
    L"第 %d 项“%ls”请输入一个完整的数字：小数点请用“.”，不要用逗号或顿号分隔，零请用数字 0 而非字母 O。";
// A yes/no field holding anything but 1 or 0: position, label.
inline constexpr wchar_t YES_NO_ERROR_FORMAT[] = L"第 %d 项“%ls”请填 1（是）或 0（否）。";
// A numbered choice outside the numbers its list offers: position, label, first, last.
inline constexpr wchar_t CHOICE_ERROR_FORMAT[] = L"第 %d 项“%ls”请输入 %d 到 %d 的整数。";
inline constexpr wchar_t NEED_RESULT_TO_COPY[] = L"请先点击“计算”生成结果。";
inline constexpr wchar_t NEED_RESULT_TO_SAVE[] = L"请先点击“计算”生成结果，再保存记录。";
inline constexpr wchar_t SAVED_MESSAGE[] = L"本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。";
// The failure boxes of the save, one per cause; each names the file.
// The file is held (a sharing or lock violation) for the whole retry: by
// another program or by another copy's save, which the save cannot tell apart.
inline constexpr wchar_t SAVE_HELD_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n该文件正被其他程序（如 Excel）打开，或本程序的另一个窗口正在向它保存记录。"
    L"请关闭在其他程序中打开的该文件，或稍后重试。";
// The file is in a code page without the row's characters.
inline constexpr wchar_t SAVE_NOT_ENCODABLE_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n该文件已被其他程序（如 Excel）按另一种文字编码另存过，存不下本次结果中的文字。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
// The file is UTF-16 (or UTF-32) text.
inline constexpr wchar_t SAVE_UTF16_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n该文件已被其他程序（如 Excel）另存为“Unicode 文本”，本程序不能在其中追加记录。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
// The file is blank further than a save reads: what lies beyond is unknown.
inline constexpr wchar_t SAVE_BLANK_TOO_LONG_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n该文件很大，开头却全是空行，本程序无法确认其中没有记录，因此不会改写它。"
    L"请关闭该文件，把它改名或移到别处，然后重新保存，程序会新建一个记录文件。";
// The record folder's path is too long to be made or used.
inline constexpr wchar_t SAVE_PATH_TOO_LONG_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n记录文件夹的路径太长，无法在那里保存记录。"
    L"请联系信息科，检查本机用户的应用数据文件夹设置。";
// The shell names no local application-data folder.
inline constexpr wchar_t SAVE_NO_APP_DATA_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n系统没有提供本机用户的应用数据文件夹，记录无处保存。"
    L"请联系信息科，检查本机用户的应用数据文件夹设置。";
// The folder cannot be made, or writing there is denied.
inline constexpr wchar_t SAVE_DENIED_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n无法创建记录文件夹或写入该文件：可能没有写入权限，或该文件被设为只读。"
    L"请联系信息科检查该文件夹的权限。";
// The disk is full, or the user's quota is used up.
inline constexpr wchar_t SAVE_DISK_FULL_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n磁盘空间已满（或已用完分配给您的存储空间）。"
    L"请删除不需要的文件腾出空间，或联系信息科，然后重试。";
// The row or the header is longer than a line of the file may be.
inline constexpr wchar_t SAVE_TOO_LONG_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n本次记录的内容太长，超出了一行记录的长度上限，无法保存。"
    L"请联系信息科或本工具的维护人员。";
// Any other failure.
inline constexpr wchar_t SAVE_ERROR_FORMAT[] =
    L"本次结果未能写入记录文件：\r\n%ls\r\n保存时出现意外错误。请重试；如仍不能保存，请联系信息科。";
inline constexpr wchar_t SUMMARY_FORMAT[] = L"%ls—— %ls";
inline constexpr wchar_t CLIPBOARD_FORMAT[] = L"%ls\r\n%ls";

// The About text, line by line.
inline constexpr wchar_t ABOUT_CATEGORY_PREFIX[] = L"分类：";
inline constexpr wchar_t ABOUT_BASIS_PREFIX[] = L"参考依据：";
inline constexpr wchar_t ABOUT_DISCLAIMER_1[] = L"本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，";
inline constexpr wchar_t ABOUT_DISCLAIMER_2[] = L"具体用药与处置请结合患者实际情况及本院规范执行。";
inline constexpr wchar_t ABOUT_VERSION_PREFIX[] = L"版本 V";  // then the program's version text
inline constexpr wchar_t ABOUT_SITE_PREFIX[] = L"    官网：";
