// A dialog with the pane, for the tests of its construction and its event handler: the fields'
// text read and written, in the C locale.
#pragma once

#include "support/DialogFixture.h"

#include <string>

class PaneTest : public DialogTest {
  protected:
    std::string text(SInt32 id) {
        PlatformHost::ControlState s;
        PlatformHost::controlState(control(id), &s);
        return s.text;
    }
    void setText(SInt32 id, const std::string& t) {
        SetControlData(control(id), 0, kControlEditTextTextTag, static_cast<Size>(t.size()),
                       t.data());
    }
    ScopedEnv english_{"LC_ALL", "C"};
};
