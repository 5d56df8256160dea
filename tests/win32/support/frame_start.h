// The frame as the tests start it: program files and settings in a folder of the test's own,
// no command line read.
#pragma once

#include "app/main_form.h"
#include "win32/support/pump.h"

#include <memory>
#include <string>

namespace kvtest {

inline TFrameStart FrameStartIn(const std::wstring& folder) {
    TFrameStart s;
    s.programFolder = folder;
    s.settingsPath = folder + L"kvbr.ini";
    s.useCommandLine = false;
    return s;
}

// Makes the frame into frame, shows it (its first window on the blank page) and lets it settle.
inline TMainForm& ShowFrame(std::unique_ptr<TMainForm>& frame, const TFrameStart& start) {
    frame = std::make_unique<TMainForm>(start);
    frame->Show(SW_SHOWNORMAL);
    PumpIdle();
    return *frame;
}

} // namespace kvtest
