// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QPalette>
#include <QString>

// The application looks 205 to 219: for each, the Qt style and palette that stand in for the look's
// visual manager, its menu text, and whether the ribbon takes the Windows 7 look.
//
// 215 to 218 are the four Office 2007 colour styles. Any value without a look of its own (211 to 214
// included) draws like Office 2007 in the colour style used last (blue at first).
class CAppLook
{
public:
    // Applies the look to the whole application (style and palette, menus drawing their marks in the
    // text colour); repainting is the caller's. Every widget takes the new colours at once.
    static void Apply(int nLook);

    // The menu text with its mnemonic, or empty for a look without a menu item.
    static QString MenuText(int nLook);
    // The name of the Qt style that draws the look ("Windows" or "Fusion").
    static QString StyleName(int nLook);
    // The palette the look gives; for looks without their own, the palette of the Office 2007
    // colour style used last.
    static QPalette Palette(int nLook);
    static bool IsWindows7Ribbon(int nLook) { return nLook == 219; }
    // The Office 2007 colour style (215 to 218) that looks without their own take.
    static int Office2007Colour();
};
