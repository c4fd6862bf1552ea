// Every text the bootstrap shows itself, in English and in Korean, picked by
// LanguageIndex. The Korean ones are code page 949 bytes: Korean Windows shows them
// as they are, whatever the font's character set says.
#pragma once

#include <cstdint>

extern int LanguageIndex;   // 1 when the OEM code page is 949 (Korean), else 0
extern int32_t ScreenWidth; // the screen in pixels, fixed before the window exists
extern int32_t ScreenHeight;

inline constexpr int LanguageCount = 2;
inline constexpr int TitleLineCount = 3;
inline constexpr int WaitingLineCount = 2;

extern const char* const RestartQuestionText[LanguageCount];
extern const char* const RestartQuestionCaption[LanguageCount];
extern const char* const RestartNoticeText[LanguageCount];
extern const char* const RestartNoticeCaption[LanguageCount];
extern const char* const FailureText[LanguageCount];
extern const char* const FailureCaption[LanguageCount];
extern const char* const TitleLines[LanguageCount][TitleLineCount];
extern const char* const WaitingLines[LanguageCount][WaitingLineCount];
