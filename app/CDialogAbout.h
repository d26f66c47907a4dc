// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

// "About Quire Binder": the program's version, its licence, and the Qt and qpdf versions it runs on.
class CDialogAbout : public QDialog
{
    Q_OBJECT

public:
    explicit CDialogAbout(QWidget* parent = nullptr);
};
