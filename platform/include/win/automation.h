// Answers for the common dialogs when nobody can answer them on screen: the
// automation's "dialog" step queues one, an in-process test may queue its
// own, and each common dialog takes the next answer when it opens.
#pragma once

#include "win/types.h"

#define SIG_DIALOG_ANSWER_NONE 0    // nothing queued: the dialog answers on its own
#define SIG_DIALOG_ANSWER_CANCEL 1  // the user cancelled
#define SIG_DIALOG_ANSWER_TEXT 2    // the text is the answer (a path, a colour, a font)
#define SIG_DIALOG_ANSWER_SMALL 3   // the buffer is too small; the answer stays queued

// Queues an answer; text is GBK, NULL for cancel.
WINEXPORT BOOL SigAutomationQueueDialogAnswer(LPCSTR text);
// Takes the next answer. For SIG_DIALOG_ANSWER_TEXT the text (GBK,
// NUL-terminated) is copied into buffer; when it does not fit (or buffer is
// NULL) nothing is taken and SIG_DIALOG_ANSWER_SMALL is returned. *needed, when
// not NULL, gets the size the text needs with its NUL (0 for cancel or none).
WINEXPORT int SigAutomationNextDialogAnswer(LPSTR buffer, DWORD size, DWORD* needed);
