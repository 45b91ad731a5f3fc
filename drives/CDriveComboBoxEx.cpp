#include "drives/CDriveComboBoxEx.h"

#include "drives/NtfsDrives.h"
#include "resource.h"

#include <cstring>

namespace {

constexpr int kFixedImage = 0;
constexpr int kNetworkImage = 3;

BOOL InsertEntry(CComboBoxEx& combo, int at, LPCSTR text, int image)
{
    COMBOBOXEXITEM item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = at;
    item.pszText = const_cast<LPSTR>(text);
    item.iImage = image;
    item.iSelectedImage = image;
    return combo.InsertItem(&item) != -1;
}

} // namespace

BOOL CDriveComboBoxEx::FillDriveList()
{
    CString list = "(";
    if (!m_imageList.Create(IDB_DRIVE_IMAGES, 16, 1, RGB(255, 0, 255)))
        return FALSE;
    SetImageList(&m_imageList);

    char root[] = "?:\\";
    int at = 0;
    DWORD mask = ::GetLogicalDrives();
    if (mask == 0)
        return FALSE;
    for (char letter = 'A'; mask != 0 && letter <= 'Z'; ++letter, mask >>= 1) {
        if (!(mask & 1))
            continue;
        root[0] = letter;
        const CString name(root, 2);
        int image;
        const UINT type = ::GetDriveTypeA(root);
        if (type == DRIVE_FIXED)
            image = kFixedImage;
        else if (type == DRIVE_REMOTE)
            image = kNetworkImage;
        else
            continue;
        char fileSystem[MAX_PATH + 1] = {};
        // A drive that cannot answer (a disconnected share) makes the whole list untrustworthy.
        if (!::GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem))
            return FALSE;
        if (!IsNtfsFileSystem(fileSystem))
            continue;
        if (type == DRIVE_FIXED)
            list += name + ",";
        if (!InsertEntry(*this, at++, name, image))
            return FALSE;
    }

    CString first;
    if (list == "(") {
        first = "No Local NTFS Drives Available";
    } else {
        list.SetAt(list.GetLength() - 1, ')');
        first = "Local NTFS " + list;
    }
    if (!InsertEntry(*this, 0, first, kFixedImage))
        return FALSE;
    return SetCurSel(0) == 0;
}

ScanTargets ScanTargetsFor(int selection, LPCSTR text)
{
    ScanTargets targets;
    if (!text) {
        targets.error = "There are no NTFS drives available to scan";
        return targets;
    }
    if (std::strncmp(text, "No ", 3) == 0) {
        targets.error = "Invalid Selection";
        return targets;
    }
    CString entry(text);
    if (selection != 0) {
        targets.roots = entry + "\\";
    } else {
        const int open = entry.Find('(');
        targets.roots = entry.Mid(open + 1);
        targets.roots.Replace(',', '\\');
        targets.roots.Replace(')', '\\');
    }
    targets.rootCount = targets.roots.GetLength() / 3;
    return targets;
}

ScanTargets SelectedScanTargets(const CComboBoxEx& drives)
{
    const int selection = drives.GetCurSel();
    char text[256] = {};
    if (selection < 0 || drives.GetLBText(selection, text, sizeof text) == CB_ERR)
        return ScanTargetsFor(selection, nullptr);
    return ScanTargetsFor(selection, text);
}
