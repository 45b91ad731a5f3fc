// CComboBoxEx: the extended combo box ("ComboBoxEx32"): entries with text and images from an
// image list. Entries are read back through CBEM_GETITEM, not the plain combo box's strings.
#pragma once

#include "framework/CComboBox.h"
#include "framework/CommonControls.h"

class CImageList;

class CComboBoxEx : public CComboBox {
    DECLARE_DYNAMIC(CComboBoxEx)

public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(WC_COMBOBOXEX, nullptr, style, rect, parent, id);
    }

    // The index inserted at, or -1.
    int InsertItem(const COMBOBOXEXITEM* item)
    {
        return static_cast<int>(SendMessage(CBEM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    // The entries left, or CB_ERR.
    int DeleteItem(int index) { return static_cast<int>(SendMessage(CBEM_DELETEITEM, static_cast<WPARAM>(index))); }
    BOOL GetItem(COMBOBOXEXITEM* item) const
    {
        return static_cast<BOOL>(SendMessage(CBEM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(const COMBOBOXEXITEM* item)
    {
        return static_cast<BOOL>(SendMessage(CBEM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
    }

    // The list the control draws from (the object stays the caller's); returns the one before,
    // wrapped for the moment.
    CImageList* SetImageList(CImageList* imageList);
    CImageList* GetImageList() const;

    // Entry `index`'s text into `text` (at most maxCount bytes with the terminator): its length,
    // or CB_ERR when there is no such entry.
    int GetLBText(int index, LPSTR text, int maxCount) const;
    void GetLBText(int index, CString& text) const;
    // The plain combo box's form has no size to read into.
    int GetLBText(int index, LPSTR text) const = delete;
};
