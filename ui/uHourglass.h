// The hourglass cursor while the program is busy on the main thread (decoding a picture).
#pragma once

#include <windows.h>

class THourglass {
public:
    THourglass() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~THourglass() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};
