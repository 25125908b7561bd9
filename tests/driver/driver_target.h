#pragma once
// Control ids of the driver's target window, shared by its code and its template.
#define IDD_TARGET 5
#define IDC_TOGGLE_BUTTON 1001 // MfcButton: flips IDC_TOGGLE, IDC_HIDDEN and IDC_DISABLED
#define IDC_ASK 1002           // opens the Yes/No question box
#define IDC_STATUS 1003        // a fixed Chinese status text
#define IDC_TICK 1004          // "tick N", advanced by a 100 ms timer
#define IDC_TOGGLE 1005        // "off" / "on"
#define IDC_ANSWER 1006        // the answer to the question box
#define IDC_PULSE_BUTTON 1007  // starts the pulse sequence
#define IDC_PULSE 1008         // the pulse texts, each held for a few milliseconds
#define IDC_LOG 1009           // keys and commands that reached the dialog
#define IDC_HIDDEN 1010        // hidden until toggled
#define IDC_DISABLED 1011      // a button, disabled until toggled
