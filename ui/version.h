/* The program's version and the descriptions Windows shows in the file's
   properties: the one home of them. Read by the C++ sources and by the
   resource compiler, so only plain #defines here. UTF-8. */
#ifndef KALDRIN_VERSION_H
#define KALDRIN_VERSION_H

#define KALDRIN_VERSION_MAJOR 1
#define KALDRIN_VERSION_MINOR 0
#define KALDRIN_VERSION_TEXT "1.0"
#define KALDRIN_VERSION_WIDE L"1.0"

#define KALDRIN_COMPANY_NAME L"NoltMed"
#define KALDRIN_PRODUCT_NAME L"Kaldrin 抗凝剂量核查"
#define KALDRIN_FILE_DESCRIPTION L"Kaldrin 阿哌沙班剂量核查（肌酐清除率、年龄、体重）"
#define KALDRIN_COPYRIGHT L"© NoltMed"
#define KALDRIN_INTERNAL_NAME L"kaldrin"
#define KALDRIN_FILE_NAME L"kaldrin.exe"

#endif
