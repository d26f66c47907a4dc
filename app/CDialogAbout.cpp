// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogAbout.h"

#include "app/EngineText.h"
#include "app/HelpTargets.h"
#include "engine/QpdfVersion.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CDialogAbout::CDialogAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QStringLiteral("About Quire Binder"));

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QIcon(QStringLiteral(":/quire-binder.svg")).pixmap(64, 64));
    pIcon->setAlignment(Qt::AlignTop);
    auto* pText = new QLabel(QStringLiteral("<p><b>Quire Binder %1</b><br>Merge and split PDF files.</p>"
                                            "<p>Licensed under the Apache License, Version 2.0 (Apache-2.0).</p>"
                                            "<p>Runs on Qt %2 and qpdf %3.</p>")
                                 .arg(QLatin1String(kProgramVersion), QLatin1String(qVersion()),
                                      EngineText::ToText(quire::QpdfVersion()).toHtmlEscaped()),
                             this);
    pText->setObjectName(QStringLiteral("IDC_ABOUT_TEXT"));
    pText->setTextFormat(Qt::RichText);
    pText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addWidget(pText, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}
