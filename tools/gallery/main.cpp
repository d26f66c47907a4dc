// SPDX-License-Identifier: Apache-2.0
// The controls of controls/, side by side, each in the states worth looking at.
#include "controls/CBusyProgressCtrl.h"
#include "tools/gallery/ListCtrlGallery.h"
#include "tools/gallery/RibbonGallery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFormLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

CBusyProgressCtrl* AddBusy(QFormLayout* pForm, const QString& szCaption, int nBlocks, int nWidth)
{
    auto* pCtrl = new CBusyProgressCtrl(nBlocks, 0);
    pCtrl->setFixedSize(nWidth, 14);
    pCtrl->Recalc();
    pForm->addRow(szCaption, pCtrl);
    return pCtrl;
}

// The busy indicator in each fill, type and mode; `bAnimate` off leaves every bar on a fixed frame.
QGroupBox* BusyIndicators(bool bAnimate)
{
    auto* pGroup = new QGroupBox(QStringLiteral("CBusyProgressCtrl"));
    auto* pForm = new QFormLayout(pGroup);

    CBusyProgressCtrl* pBlock = AddBusy(pForm, QStringLiteral("One block, back and forth"), 10, 210);
    pBlock->OnSetCurPos(3);

    CBusyProgressCtrl* pStretch = AddBusy(pForm, QStringLiteral("Growing stretch, granularity 4"), 10, 210);
    pStretch->SetBusyFill(CBusyProgressCtrl::BusyFillStretch);
    pStretch->SetGranularity(4);
    pStretch->SetBusyType(CBusyProgressCtrl::BusyTypeLoopForward);
    pStretch->OnSetCurPos(10);

    CBusyProgressCtrl* pBackward = AddBusy(pForm, QStringLiteral("Loop backward"), 10, 210);
    pBackward->SetBusyType(CBusyProgressCtrl::BusyTypeLoopBackward);
    pBackward->Reset();
    pBackward->StepIt();

    CBusyProgressCtrl* pProgress = AddBusy(pForm, QStringLiteral("Progress 65 %"), 10, 210);
    pProgress->OnSetMode(CBusyProgressCtrl::ModeProgress);
    pProgress->OnSetCurPos(65);

    // As the progress dialog sets it up.
    CBusyProgressCtrl* pDialogBar = AddBusy(pForm, QStringLiteral("Progress dialog"), 10, 300);
    pDialogBar->SetSpeed(250);
    pDialogBar->SetRange(-100, 100);
    pDialogBar->SetIBPad(1);
    pDialogBar->SetNumSteps(20);
    pDialogBar->Recalc();
    pDialogBar->SetGranularity(5);
    pDialogBar->SetBusyFill(CBusyProgressCtrl::BusyFillBlock);
    pDialogBar->SetBusyType(CBusyProgressCtrl::BusyTypeBackAndForth);
    pDialogBar->OnSetCurPos(7);

    if (bAnimate) {
        for (CBusyProgressCtrl* pCtrl : {pBlock, pStretch, pBackward, pDialogBar})
            pCtrl->Start();
    }
    return pGroup;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder control gallery"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption grab(QStringLiteral("grab"), QStringLiteral("Save a picture of the gallery and end."),
                                  QStringLiteral("file"));
    parser.addOption(grab);
    parser.process(application);
    const bool bGrab = parser.isSet(grab);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quire Binder controls"));
    auto* pLayout = new QVBoxLayout(&window);
    pLayout->addWidget(RibbonGallery());
    pLayout->addWidget(BusyIndicators(!bGrab));
    pLayout->addWidget(ListControlsGallery());
    pLayout->addStretch(1);
    window.show();

    if (!bGrab)
        return QApplication::exec();

    QApplication::processEvents();
    const QString szFile = parser.value(grab);
    if (!window.grab().save(szFile)) {
        std::fprintf(stderr, "quire_gallery: cannot write %s\n", qPrintable(szFile));
        return 1;
    }
    return 0;
}
