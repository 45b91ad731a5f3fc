// The drop-down list of drives the dialog can scan: one entry for all local fixed NTFS drives,
// then each NTFS drive (fixed or network) on its own, with a small drive picture.
#pragma once

#include "framework/CComboBoxEx.h"
#include "framework/CImageList.h"
#include "framework/CString.h"

class CDriveComboBoxEx : public CComboBoxEx {
public:
    // Builds the entries and selects the first. FALSE on any failure; what was inserted before
    // it stays, without the first entry and without a selection.
    BOOL FillDriveList();

    CImageList m_imageList; // the drive pictures the control draws from; lives as long as it
};

// What the chosen entry means for a scan: the roots ("C:\D:\", three characters each), or an
// error message to show instead.
struct ScanTargets {
    CString roots;
    int rootCount = 0;
    LPCSTR error = nullptr; // null on success
};

// `text` is the selected entry's text, null when it could not be read; `selection` its position
// (0 is the "all local NTFS drives" entry).
ScanTargets ScanTargetsFor(int selection, LPCSTR text);

// The targets of the list's current selection.
ScanTargets SelectedScanTargets(const CComboBoxEx& drives);
