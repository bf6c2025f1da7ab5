#pragma once
// Japanese fonts and dialog texts. The sheets and forms name the Windows
// fonts; they are mapped to the IPA fonts (and Liberation Sans for Arial),
// which keep those fonts' metrics and read back correctly from PDFs.

namespace mox::platform {

// Maps "ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐ明朝" (and their
// half-width spellings) and "Arial" onto the installed substitutes.
void RegisterFontSubstitutes();
// Loads Qt's own Japanese texts (qtbase_ja.qm), and after them the
// program's own for the texts of the print and file dialogs that Qt's
// catalogue lacks, so that standard dialogs speak Japanese. Needs the
// application object; false when Qt's are not found.
bool LoadJapaneseTranslations();

}  // namespace mox::platform
