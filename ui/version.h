/* The program's version and the descriptions Windows shows in the file's
   properties: the one home of them. Read by the C++ sources and by the
   resource compiler, so only plain #defines of narrow UTF-8 strings here;
   C++ code widens them with KALDRIN_WIDE. */
#ifndef KALDRIN_VERSION_H
#define KALDRIN_VERSION_H

#define KALDRIN_VERSION_MAJOR 1
#define KALDRIN_VERSION_MINOR 0
#define KALDRIN_VERSION_TEXT "1.0"

#define KALDRIN_COMPANY_NAME "NoltMed"
#define KALDRIN_PRODUCT_NAME "Kaldrin 抗凝剂量核查"
#define KALDRIN_FILE_DESCRIPTION "Kaldrin 阿哌沙班剂量核查（肌酐清除率、年龄、体重）"
#define KALDRIN_COPYRIGHT "© NoltMed"
#define KALDRIN_INTERNAL_NAME "kaldrin"
#define KALDRIN_FILE_NAME "kaldrin.exe"

#define KALDRIN_WIDE_(text) L##text
#define KALDRIN_WIDE(text) KALDRIN_WIDE_(text)

#endif
