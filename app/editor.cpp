// The editor's counter and the Subject label.
#include "app/editor.h"

#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "app/main_window.h"
#include "app/resource_ids.h"
#include "common/dll_function.h"
#include "kit/program.h"
#include "message/message_parts.h"
#include "message/message_texts.h"
#include "settings/settings.h"

namespace {

constexpr char kWarningSound[] = "buu.wav";
constexpr int kLabelX = 5;
constexpr int kLabelY = 5;

// Bytes counted by this program, read by the Subject label.
double charCount = 0;

Text editorText()
{
    int length = GetWindowTextLengthA(editorWindow);
    if (length <= 0)
        return Text();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(editorWindow, buffer.data(), length + 1);
    return Text(buffer.data());
}

void playWarningSound()
{
    if (auto playSound = loadedFunction<decltype(&PlaySoundA)>("winmm.dll", "PlaySoundA"))
        playSound(kWarningSound, nullptr, SND_FILENAME | SND_ASYNC);
}

}  // namespace

void updateCounter()
{
    messageText = editorText();
    MessageParts parts = splitMessage(messageText);
    messageSubject = std::move(parts.subject);
    messageBody = std::move(parts.body);
    SetDlgItemTextA(mainWindow, kSubjectLine, messageSubject.c_str());
    charCount = GetWindowTextLengthA(editorWindow);
    SetDlgItemTextA(mainWindow, kStatusLine, counterText(charCount, settings.charLimit).c_str());
    drawSubjectLabel();
}

void drawSubjectLabel()
{
    int bitmapId = IDB_SUBJECT_BELOW;
    if (subjectLabelFor(charCount, settings.charLimit) == SubjectLabel::atOrAboveLimit) {
        bitmapId = IDB_SUBJECT_AT;
        if (warningSoundDue(charCount, settings.charLimit, settings.warnSound))
            playWarningSound();
    }
    HBITMAP bitmap = loadProgramBitmap(bitmapId, mainWindowDpi,
                                       LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT);
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    HDC windowDc = GetDC(mainWindow);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BitBlt(windowDc, scaleForDpi(kLabelX, mainWindowDpi), scaleForDpi(kLabelY, mainWindowDpi),
           size.bmWidth, size.bmHeight, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    ReleaseDC(mainWindow, windowDc);
}
