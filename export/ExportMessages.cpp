#include "export/ExportMessages.h"

#include <array>

namespace {

// Numbers 52 to 60 were never given a text.
constexpr std::array<const char16_t*, 173> kMessages = {
    u"Property %s is not specified.",  // 0
    u"Assigned DBGrid (%s) is not a supported type",  // 1
    u"The %s file was successfully generated.",  // 2
    u"Error in data export.",  // 3
    u"Data export was successfully completed.",  // 4
    u"Could not create the %s file.",  // 5
    u"Data exported by RODireza generator",  // 6
    u"File %s already exists. Do you want to replace it?",  // 7
    u"Exporting...",  // 8
    u"Can't create a process dialog",  // 9
    u"Data Export Setup",  // 10
    u"&OK",  // 11
    u"&Cancel",  // 12
    u"< &Back",  // 13
    u"&Next >",  // 14
    u"&Execute",  // 15
    u"Data export was canceled by user.",  // 16
    u"Export Wizard",  // 17
    u"Step %d of %d",  // 18
    u"Wizard is incomplete. If you quit the Wizard now, the new export will not be created. Abort wizard?",  // 19
    u"This wizard allows you to specify details of how to export your data. Which export format would you like?",  // 20
    u"Specify custom options for data exporting",  // 21
    u"Select the appropriate delimiter to separate your fields.",  // 22
    u"You can define custom properties for the exported columns.",  // 23
    u"You can add a custom header and/or footer.",  // 24
    u"That's all of the information the wizard needs to export your data.",  // 25
    u"Header",  // 26
    u"Footer",  // 27
    u" Table type ",  // 28
    u"Paradox file (*.db)",  // 29
    u"DBase file (*.dbf)",  // 30
    u"Text file (*.txt)",  // 31
    u"HTML file (*.htm)",  // 32
    u"Excel spreadsheet (*.xls)",  // 33
    u"Excel file (*.xls)",  // 34
    u"Word file (*.doc)",  // 35
    u"SYLK (Symbolic Link) (*.slk)",  // 36
    u"DIF (Data Interchange Format) (*.dif)",  // 37
    u"Lotus 1-2-3 file (*.wk1)",  // 38
    u"QuattroPro file (*.wq1)",  // 39
    u"SQL script file (*.sql)",  // 40
    u"XML file (*.xml)",  // 41
    u"MS Access database (*.mdb, *.accdb)",  // 42
    u"MS Windows clipboard",  // 43
    u"Rich Text format (*.rtf)",  // 44
    u"SPSS format (*.sav)",  // 45
    u"Adobe Acrobat Document (*.pdf)",  // 46
    u"LDAP DataInterchangeFormat (*.ldif)",  // 47
    u"ADO connection",  // 48
    u"Open Office Writer",  // 49
    u"MS Excel 2007 (*.xlsx)",  // 50
    u"JavaScript Object Notation (*.json)",  // 51
    u"",  // 52
    u"",  // 53
    u"",  // 54
    u"",  // 55
    u"",  // 56
    u"",  // 57
    u"",  // 58
    u"",  // 59
    u"",  // 60
    u"File Origin:",  // 61
    u"Selected records only",  // 62
    u"Include column titles",  // 63
    u"Put field titles on the first row",  // 64
    u"Blank if zero",  // 65
    u"Action after exporting",  // 66
    u"None",  // 67
    u"open for file view",  // 68
    u"e-mail with file attachment",  // 69
    u" Field delimiter ",  // 70
    u"Tab",  // 71
    u"Semicolon",  // 72
    u"Comma",  // 73
    u"Space",  // 74
    u"Other symbol:",  // 75
    u"Fixed column length",  // 76
    u"&Delimited - Characters such as commas or tabs separate each field",  // 77
    u"Fixed &Width - Fields are aligned in columns with spaces between each field",  // 78
    u"Export to a File:",  // 79
    u"Export to",  // 80
    u"All files (*.*)|*.*",  // 81
    u"Table name:",  // 82
    u" Title ",  // 83
    u" Data ",  // 84
    u"Caption:",  // 85
    u"Alignment:",  // 86
    u"Background:",  // 87
    u"Font:",  // 88
    u"Width:",  // 89
    u"characters",  // 90
    u"left",  // 91
    u"right",  // 92
    u"center",  // 93
    u"Specifications...",  // 94
    u"Record separator:",  // 95
    u"Text qualifier:",  // 96
    u"none",  // 97
    u"Records per each file",  // 98
    u"You can select desired layout of exported data",  // 99
    u" Layout ",  // 100
    u"columnar",  // 101
    u"reversed columnar",  // 102
    u"tabular form",  // 103
    u"Color Style:",  // 104
    u"Select &All",  // 105
    u"&Unselect All",  // 106
    u"&Revert selection",  // 107
    u"add a blank row after field names",  // 108
    u"Preview",  // 109
    u" Dates, Times and Numbers ",  // 110
    u"Date &Order:",  // 111
    u"MDY",  // 112
    u"DMY",  // 113
    u"YMD",  // 114
    u"YDM",  // 115
    u"DYM",  // 116
    u"MYD",  // 117
    u"Date De&limiter:",  // 118
    u"Time Deli&miter:",  // 119
    u"Four Digit &Years",  // 120
    u"Leading &Zeros in Dates",  // 121
    u"Decimal Sym&bol:",  // 122
    u"&Thousand Separator:",  // 123
    u"&Currency Symbol:",  // 124
    u"Logical values:",  // 125
    u"You can define any custom data formats.",  // 126
    u"Merge existing file",  // 127
    u"File Format",  // 128
    u"Data Origin",  // 129
    u"Text Settings",  // 130
    u"Data Formats",  // 131
    u"Columns",  // 132
    u"Header and Footer",  // 133
    u"Layout",  // 134
    u"File Name",  // 135
    u"export data and colors/fonts",  // 136
    u"export data only",  // 137
    u"export the original value types",  // 138
    u"Sheet/generator name:",  // 139
    u" Orientation ",  // 140
    u"Default",  // 141
    u"Portrait",  // 142
    u"Landscape",  // 143
    u" Default &Margins ",  // 144
    u"Left",  // 145
    u"Top",  // 146
    u"Right",  // 147
    u"Bottom",  // 148
    u"Page Setup",  // 149
    u"Customize settings for page",  // 150
    u"Insert system variable",  // 151
    u"row number",  // 152
    u"column number",  // 153
    u"total row count",  // 154
    u"error number",  // 155
    u"sheet name (generator)",  // 156
    u"Autofit column widths",  // 157
    u"SQL Settings",  // 158
    u"Define custom settings for SQL script.",  // 159
    u"Filter name:",  // 160
    u"include CREATE TABLE statement",  // 161
    u"generate MULTIROW inserts",  // 162
    u"Charset for field names:",  // 163
    u" SQL ",  // 164
    u"Commit:",  // 165
    u"Quote:",  // 166
    u"SQL Term:",  // 167
    u"include COMMIT statement every (n) records:",  // 168
    u"Normal",  // 169
    u"Upper case",  // 170
    u"Lower case",  // 171
    u"Proper",  // 172
};

}  // namespace

String ExportMessageText(Integer id) {
  if (id < 0 || static_cast<size_t>(id) >= kMessages.size()) return String();
  return kMessages[static_cast<size_t>(id)];
}
