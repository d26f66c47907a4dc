// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

class QWidget;

// The open dialog of Add PDF Files: a file dialog that returns any number of selected paths, walked
// one at a time. There is no selection-size limit: a large selection never turns into a cancel.
//
// Use: construct, DoModal(); on IDOK, take GetStartPosition() and call GetNextPathName() until the
// position is 0. Each path is complete (folder, '/', name), in the dialog's order. The dialog goes
// through CFileDialog, so tests answer it without a window.
class CMultiSelectFileDialog
{
public:
    // A position in the selection: 0 is none, n is the n-th path.
    using POSITION = std::ptrdiff_t;

    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    // The option bits the program passes; the others of the classic dialog mean nothing here.
    static constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
    static constexpr std::uint32_t OFN_HIDEREADONLY = 0x00000004;
    static constexpr std::uint32_t OFN_ALLOWMULTISELECT = 0x00000200;
    static constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x00000800;
    static constexpr std::uint32_t OFN_EXPLORER = 0x00080000;
    static constexpr std::uint32_t OFN_NODEREFERENCELINKS = 0x00100000;

    // `lpszFilter` in the classic form "Description|pattern;pattern|...||".
    CMultiSelectFileDialog(bool bOpenFileDialog, const QString& lpszDefExt = QString(),
                           const QString& lpszFileName = QString(), std::uint32_t dwFlags = 0,
                           const QString& lpszFilter = QString(), QWidget* pParentWnd = nullptr);

    // IDOK when at least one path was chosen, IDCANCEL otherwise.
    int DoModal();

    POSITION GetStartPosition() const;
    // The path at `pos`; `pos` moves to the next path, or to 0 after the last.
    QString GetNextPathName(POSITION& pos) const;
    // The first chosen path, or empty.
    QString GetPathName() const { return m_selection.value(0); }

    // "PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||" becomes "PDF File (*.pdf);;All Files (*)". A
    // pattern "*.*" means every file, names without a dot included.
    static QString ToQtFilter(const QString& szClassicFilter);

private:
    bool m_bOpenFileDialog;
    QString m_szDefExt;
    QString m_szFileName;
    std::uint32_t m_dwFlags;
    QString m_szFilter;
    QWidget* m_pParentWnd;
    QStringList m_selection;
};
