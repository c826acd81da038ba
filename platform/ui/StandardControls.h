// The predefined control classes of dialog templates and the date picker.
#pragma once

// Registers "Button", "Edit", "Static" and "SysDateTimePick32" with their factories and handles; called once by
// the window layer's set-up (AfxInitWindowLayer) and by GUI tests.
void AfxRegisterStandardControls();
