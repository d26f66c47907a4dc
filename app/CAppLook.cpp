// SPDX-License-Identifier: Apache-2.0
#include "app/CAppLook.h"

#include "app/CommandIds.h"
#include "controls/CXThemeHelper.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

int g_nOffice2007Colour = ID_VIEW_APPLOOK_OFF_2007_BLUE;

QPalette MakePalette(const QColor& window, const QColor& button, const QColor& highlight, bool bDarkFrame)
{
    QPalette pal(button, window);
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::AlternateBase, window.lighter(110));
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Highlight, highlight);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    const QColor frameText = bDarkFrame ? QColor(240, 240, 240) : QColor(21, 66, 139);
    pal.setColor(QPalette::WindowText, bDarkFrame ? frameText : Qt::black);
    pal.setColor(QPalette::ButtonText, bDarkFrame ? frameText : Qt::black);
    pal.setColor(QPalette::PlaceholderText, bDarkFrame ? frameText.darker(130) : frameText);
    // NOTE: disabled texts keep a contrast of at least 3:1 to every fill they are drawn on (window,
    // button, and the light top of the ribbon's panel gradient), because the grey of 141 that light
    // looks once used fell to about 2:1 there and a dark frame's grey of 140 was barely visible.
    if (bDarkFrame)
        pal.setColor(QPalette::Light, button.lighter(120));
    const QColor disabledText = bDarkFrame ? QColor(210, 210, 210) : QColor(110, 110, 110);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 110, 110));
    return pal;
}

QPalette OwnPalette(int nLook)
{
    switch (nLook) {
    case ID_VIEW_APPLOOK_WIN_2000: {
        // The classic look keeps the platform's flat grey and navy selection.
        QPalette pal(QColor(212, 208, 200));
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Highlight, QColor(10, 36, 106));
        pal.setColor(QPalette::HighlightedText, Qt::white);
        return pal;
    }
    case ID_VIEW_APPLOOK_OFF_XP:
        return MakePalette(QColor(246, 246, 246), QColor(236, 233, 216), QColor(49, 106, 197), false);
    case ID_VIEW_APPLOOK_WIN_XP:
        return MakePalette(QColor(236, 233, 216), QColor(244, 243, 238), QColor(49, 106, 197), false);
    case ID_VIEW_APPLOOK_OFF_2003:
        return MakePalette(QColor(196, 218, 250), QColor(227, 239, 255), QColor(49, 106, 197), false);
    case ID_VIEW_APPLOOK_VS_2005:
        return MakePalette(QColor(238, 237, 229), QColor(250, 250, 247), QColor(51, 94, 168), false);
    case ID_VIEW_APPLOOK_VS_2008:
        return MakePalette(QColor(218, 223, 232), QColor(240, 242, 246), QColor(51, 94, 168), false);
    case ID_VIEW_APPLOOK_OFF_2007_BLUE:
        return MakePalette(QColor(191, 219, 255), QColor(221, 236, 255), QColor(61, 123, 208), false);
    case ID_VIEW_APPLOOK_OFF_2007_BLACK:
        return MakePalette(QColor(66, 66, 66), QColor(96, 96, 96), QColor(61, 123, 208), true);
    case ID_VIEW_APPLOOK_OFF_2007_SILVER:
        return MakePalette(QColor(208, 212, 221), QColor(232, 234, 240), QColor(61, 123, 208), false);
    case ID_VIEW_APPLOOK_OFF_2007_AQUA:
        return MakePalette(QColor(192, 215, 224), QColor(220, 234, 240), QColor(40, 130, 160), false);
    case ID_VIEW_APPLOOK_WINDOWS_7:
        return MakePalette(QColor(240, 240, 240), QColor(250, 250, 250), QColor(51, 153, 255), false);
    default:
        return OwnPalette(g_nOffice2007Colour);
    }
}

} // namespace

void CAppLook::Apply(int nLook)
{
    if (nLook >= ID_VIEW_APPLOOK_OFF_2007_BLUE && nLook <= ID_VIEW_APPLOOK_OFF_2007_AQUA)
        g_nOffice2007Colour = nLook;
    const QString szStyle = StyleName(nLook);
    if (QApplication::style()->name().compare(szStyle, Qt::CaseInsensitive) != 0) {
        if (QStyle* pStyle = QStyleFactory::create(szStyle))
            QApplication::setStyle(pStyle);
    }
    const QPalette palette = OwnPalette(nLook);
    QApplication::setPalette(palette);
    // NOTE: menus get the look's palette with button text in the text colour, because the styles
    // draw a menu on the base colour (white in every look) but its radio and check marks in the
    // button text colour, which a dark look makes light. Set after the application palette, which
    // drops every palette given to a class.
    QPalette menuPalette = palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        menuPalette.setColor(group, QPalette::ButtonText, palette.color(group, QPalette::Text));
    QApplication::setPalette(menuPalette, "QMenu");
    // NOTE: Qt hands the new palette to the windows in a posted event; it is delivered here so that
    // every widget has its new colours when Apply returns and the caller repaints.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
    // The controls draw their own classic check boxes and headers under the "Windows 2000" look.
    CXThemeHelper::SetClassicLook(nLook == ID_VIEW_APPLOOK_WIN_2000);
}

QString CAppLook::MenuText(int nLook)
{
    switch (nLook) {
    case ID_VIEW_APPLOOK_WIN_2000:
        return QStringLiteral("Windows &2000");
    case ID_VIEW_APPLOOK_OFF_XP:
        return QStringLiteral("Office &XP");
    case ID_VIEW_APPLOOK_WIN_XP:
        return QStringLiteral("&Windows XP");
    case ID_VIEW_APPLOOK_OFF_2003:
        return QStringLiteral("Office 200&3");
    case ID_VIEW_APPLOOK_VS_2005:
        return QStringLiteral("Visual Studio 200&5");
    case ID_VIEW_APPLOOK_VS_2008:
        return QStringLiteral("Visual Studio 200&8");
    case ID_VIEW_APPLOOK_OFF_2007_BLUE:
        return QStringLiteral("&Blue Style");
    case ID_VIEW_APPLOOK_OFF_2007_BLACK:
        return QStringLiteral("B&lack Style");
    case ID_VIEW_APPLOOK_OFF_2007_SILVER:
        return QStringLiteral("&Silver Style");
    case ID_VIEW_APPLOOK_OFF_2007_AQUA:
        return QStringLiteral("&Aqua Style");
    default:
        return {};
    }
}

QString CAppLook::StyleName(int nLook)
{
    return nLook == ID_VIEW_APPLOOK_WIN_2000 ? QStringLiteral("Windows") : QStringLiteral("Fusion");
}

QPalette CAppLook::Palette(int nLook)
{
    return OwnPalette(nLook);
}

int CAppLook::Office2007Colour()
{
    return g_nOffice2007Colour;
}
