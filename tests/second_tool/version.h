/* The second tool's version and file descriptions: its resource header, read
   by its resource script and by app/program_version.cpp. */
#ifndef KALDRIN_VERSION_H
#define KALDRIN_VERSION_H

#define KALDRIN_VERSION_MAJOR 0
#define KALDRIN_VERSION_MINOR 9
#define KALDRIN_VERSION_TEXT "0.9"

#define KALDRIN_COMPANY_NAME "NoltMed"
#define KALDRIN_PRODUCT_NAME "IV 配伍核查"
#define KALDRIN_FILE_DESCRIPTION "IV 配伍核查（两种静脉药物的配伍禁忌）"
#define KALDRIN_COPYRIGHT "© NoltMed"
#define KALDRIN_INTERNAL_NAME "iv_check"
#define KALDRIN_FILE_NAME "iv_check.exe"

#define KALDRIN_WIDE_(text) L##text
#define KALDRIN_WIDE(text) KALDRIN_WIDE_(text)

#endif
