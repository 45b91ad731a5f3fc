// Message maps: each window class's static table of the messages it handles, searched from the
// class of the object up through its bases, then left to the default window procedure.
//
//     class CScanDlg : public CDialog { ... afx_msg void OnPaint(); DECLARE_MESSAGE_MAP() };
//
//     BEGIN_MESSAGE_MAP(CScanDlg, CDialog)
//         ON_WM_PAINT()
//         ON_BN_CLICKED(IDC_START, OnStart)
//         ON_MESSAGE(WM_SCAN_OUTPUT, OnScanOutput)
//     END_MESSAGE_MAP()
//
// Handlers are named without their class (OnStart, not &CScanDlg::OnStart): the entry takes the
// member of the class being mapped, or of a base. Each entry checks the handler's signature when
// it is compiled; a mismatch is a compile error, not a call through the wrong type.
//
// Notifications a control sends its parent (WM_COMMAND with a notification code, the
// WM_CTLCOLOR* messages) are first offered to the control's own object, when the control is
// attached to one, through its reflected entries (ON_CONTROL_REFLECT, ON_WM_CTLCOLOR_REFLECT).
// A reflected handler that takes the notification keeps it from the parent.
#pragma once

#include "winapi.h"

class CWnd;

// Runs one entry's handler; FALSE when the handler declined (a reflected colour handler that
// returned no brush, an _EX handler that returned FALSE), so the message goes on as unhandled.
using AFX_PMSG_THUNK = BOOL (*)(CWnd* target, WPARAM wParam, LPARAM lParam, LRESULT* result);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // the window message (WM_COMMAND for commands and notifications)
    UINT nCode;    // the notification code, for WM_COMMAND and reflected WM_COMMAND entries
    UINT nID;      // the command or control id range, for WM_COMMAND entries
    UINT nLastID;
    AFX_PMSG_THUNK pfn; // NULL ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)(); // NULL at the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What a WM_CTLCOLOR entry (reflected or not) is handed in lParam.
struct AFX_CTLCOLOR {
    HWND hWnd;     // the control
    HDC hDC;
    UINT nCtlType; // CTLCOLOR_*: the message's offset from WM_CTLCOLORMSGBOX
};

#define afx_msg

// A reflected message is the parent's message offset by this much.
#define WM_REFLECT_BASE 0xBC00
// The one colour message that all the WM_CTLCOLOR* kinds are mapped as.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6
// A command from a menu or an accelerator: no control sent it.
#define CN_COMMAND 0
// The command a dialog sends itself for the help key (F1).
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
        {0, 0, 0, 0, nullptr}};                                                                    \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
        return &messageMap;                                                                        \
    }

#define VLM_THUNK(kind, memberFxn) (&::vlm::fw::thunk::kind<&ThisClass::memberFxn>)

// Window messages. Handlers have the framework's usual names and signatures.
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, VLM_THUNK(Void, OnPaint)},                        // void OnPaint()
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, VLM_THUNK(Void, OnClose)},                        // void OnClose()
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, VLM_THUNK(Void, OnDestroy)},                  // void OnDestroy()
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, 0, VLM_THUNK(QueryDragIcon, OnQueryDragIcon)}, // HCURSOR OnQueryDragIcon()
#define ON_WM_INITMENUPOPUP() {WM_INITMENUPOPUP, 0, 0, 0, VLM_THUNK(InitMenuPopup, OnInitMenuPopup)}, // void OnInitMenuPopup(CMenu*, UINT, BOOL)
#define ON_WM_CTLCOLOR() {WM_CTLCOLOR, 0, 0, 0, VLM_THUNK(CtlColor, OnCtlColor)},           // HBRUSH OnCtlColor(CDC*, CWnd*, UINT)
#define ON_WM_HELPINFO() {WM_HELP, 0, 0, 0, VLM_THUNK(HelpInfo, OnHelpInfo)},               // BOOL OnHelpInfo(HELPINFO*)
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, VLM_THUNK(Timer, OnTimer)},                       // void OnTimer(UINT_PTR)

// Any message: LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) {static_cast<UINT>(message), 0, 0, 0, VLM_THUNK(Message, memberFxn)},

// Commands (menus, accelerators, buttons): void memberFxn().
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), VLM_THUNK(Void, memberFxn)},
// void memberFxn(UINT id) for every id from id to idLast.
#define ON_COMMAND_RANGE(id, idLast, memberFxn) {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), VLM_THUNK(Id, memberFxn)},

// Control notifications to the parent: void memberFxn().
#define ON_CONTROL(code, id, memberFxn) {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), VLM_THUNK(Void, memberFxn)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

// Notifications the control handles itself (message reflection).
// void memberFxn(): the parent never sees the notification.
#define ON_CONTROL_REFLECT(code, memberFxn) {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, VLM_THUNK(Void, memberFxn)},
// BOOL memberFxn(): FALSE lets the parent handle it as well.
#define ON_CONTROL_REFLECT_EX(code, memberFxn) {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, VLM_THUNK(Bool, memberFxn)},
// HBRUSH CtlColor(CDC*, UINT nCtlColor): NULL leaves the colours to the parent.
#define ON_WM_CTLCOLOR_REFLECT() {WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, VLM_THUNK(CtlColorReflect, CtlColor)},
