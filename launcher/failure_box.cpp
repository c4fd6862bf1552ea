#include "failure_box.h"

#include "texts.h"

void ShowFailureBox(HWND owner) {
  MessageBoxA(owner, FailureText[LanguageIndex], FailureCaption[LanguageIndex], MB_OK);
}
