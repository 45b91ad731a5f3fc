#include "framework/CComboBoxEx.h"

#include "framework/CImageList.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CComboBoxEx, CComboBox)

CImageList* CComboBoxEx::SetImageList(CImageList* imageList)
{
    const LRESULT previous =
        SendMessage(CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList ? imageList->m_hImageList : nullptr));
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(previous));
}

CImageList* CComboBoxEx::GetImageList() const
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(CBEM_GETIMAGELIST)));
}

int CComboBoxEx::GetLBText(int index, LPSTR text, int maxCount) const
{
    if (!text || maxCount <= 0)
        return CB_ERR;
    text[0] = '\0';
    COMBOBOXEXITEM item{};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = maxCount;
    if (!GetItem(&item))
        return CB_ERR;
    // The control may answer with its own copy instead of filling ours.
    if (item.pszText && item.pszText != text && item.pszText != LPSTR_TEXTCALLBACK) {
        std::strncpy(text, item.pszText, static_cast<size_t>(maxCount) - 1);
        text[maxCount - 1] = '\0';
    }
    return static_cast<int>(std::strlen(text));
}

void CComboBoxEx::GetLBText(int index, CString& text) const
{
    char buffer[1024];
    text = GetLBText(index, buffer, static_cast<int>(sizeof buffer)) == CB_ERR ? "" : buffer;
}
