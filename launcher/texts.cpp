// Compiled with -fexec-charset=CP949: the Korean literals below are stored as the
// code page 949 bytes that Korean Windows displays.
#include "texts.h"

int LanguageIndex = 0;
int32_t ScreenWidth = 0;
int32_t ScreenHeight = 0;

const char* const RestartQuestionText[LanguageCount] = {
    "COM port description modified !!\nYou should restart window !!\n\nRestart window now ?",
    "통신포트 상태를 바꾸었으므로, 윈도우를 재시동 해야합니다.!!\n\n지금 재시동 할까요 ?"};
const char* const RestartQuestionCaption[LanguageCount] = {"Notice from Nuvik : restarting window",
                                                           "누빅 설치자 : 윈도우의 재시동"};
const char* const RestartNoticeText[LanguageCount] = {
    "After install Nuvik, you should restart window !\n\nOr you can't continue communication !!",
    "누빅의 설치 후, 반드시 윈도우를 재시동하고 사용해야 합니다 !\n\n그렇지 않으면 통신이 안될 수 "
    "있습니다 !!"};
const char* const RestartNoticeCaption[LanguageCount] = {"Notice from Nuvik", "누빅 설치자"};
const char* const FailureText[LanguageCount] = {"Can't continue Installation.",
                                                "설치를 계속할 수 없습니다."};
const char* const FailureCaption[LanguageCount] = {"Fatal error (Please check Disk)",
                                                   "치명적 오류 (Disk를 검사해 주세요)"};
const char* const TitleLines[LanguageCount][TitleLineCount] = {
    {"Internet NUVIK 2000", "for", "Windows"}, {"인터넷누빅 2000", "for", "Windows"}};
const char* const WaitingLines[LanguageCount][WaitingLineCount] = {
    {"Running Setup program", "Please wait a moment."},
    {"설치를 준비중입니다.", "잠시만 기다리세요."}};
