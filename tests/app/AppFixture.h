// SPDX-License-Identifier: Apache-2.0
#pragma once

// The application's tests share one set of includes: the units under test, their widgets, and the
// whole widget and test toolkit.
#include "app/CAppLook.h"
#include "app/CDialogConvert.h"
#include "app/CDialogPDFProperties.h"
#include "app/CFileDialog.h"
#include "app/CMainFrame.h"
#include "app/CMessageBox.h"
#include "app/CMultiSelectFileDialog.h"
#include "app/COutputPathRule.h"
#include "app/CProfileFile.h"
#include "app/CQuireApp.h"
#include "app/CQuireView.h"
#include "app/CShell.h"
#include "app/CSingleInstance.h"
#include "app/CommandIds.h"
#include "controls/CBusyProgressCtrl.h"
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonBar.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"
#include "controls/CXEdit.h"
#include "controls/CXThemeHelper.h"
#include "preview/CPageRenderer.h"
#include "preview/CPageStrip.h"
#include "preview/CPageStripModel.h"
#include "preview/CPreviewPane.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace fx = quire::fixtures;

// Presses command `szName` the way a user can: once the event loop has brought the enabled states up
// to date, and only when its action exists, is enabled and is visible.
inline void TriggerAction(CMainFrame& frame, const char* szName)
{
    QCoreApplication::processEvents();
    QAction* pAction = frame.findChild<QAction*>(QLatin1String(szName));
    ASSERT_NE(pAction, nullptr) << szName << " does not exist";
    ASSERT_TRUE(pAction->isEnabled()) << szName << " is disabled";
    ASSERT_TRUE(pAction->isVisible()) << szName << " is hidden";
    pAction->trigger();
}

// Presses `szKeys` on the widget with the focus as a user would: key names ("Alt+P", "Tab"), or "=text".
inline void PressKeys(const char* szKeys)
{
    for (const QString& szKey : QString::fromLatin1(szKeys).split(QLatin1Char(' '))) {
        const QKeyCombination key = QKeySequence(szKey)[0];
        if (szKey.startsWith(QLatin1Char('=')))
            QTest::keyClicks(QApplication::focusWidget(), szKey.mid(1));
        else
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        // A button's mnemonic clicks it a moment later, as a user sees it pressed.
        if (key.keyboardModifiers() == Qt::AltModifier && qobject_cast<QAbstractButton*>(QApplication::focusWidget()))
            QTest::qWait(150);
    }
}

inline constexpr auto Q = [](const std::string& text) { return QString::fromStdString(text); };

// The child `szName` of `parent`, which must exist.
template<class T> T* Child(const QObject& parent, const char* szName)
{
    T* pChild = parent.findChild<T*>(QLatin1String(szName));
    EXPECT_NE(pChild, nullptr) << szName;
    return pChild;
}

// One answer to the password dialog as a user gives it: the text typed, "Use this password for the
// other files" ticked by Space, then Open (by Enter), Skip, Cancel, or "close": the window closes.
struct Answer
{
    std::string typed {};
    bool bForOthers = false;
    std::string button = "IDOK";
};

// Answers every password dialog that shows with the next of `answers` and notes its prompt; runs as
// long as the returned timer lives.
inline std::unique_ptr<QTimer> AnswerPasswords(std::vector<Answer> answers, QStringList& prompts)
{
    auto pTimer = std::make_unique<QTimer>();
    QObject::connect(pTimer.get(), &QTimer::timeout, [answers = std::move(answers), &prompts]() mutable {
        QWidget* pAsking = QApplication::activeModalWidget();
        if (!pAsking || pAsking->objectName() != QLatin1String("PasswordDialog") || answers.empty())
            return;
        prompts << Child<QLabel>(*pAsking, "IDC_PASSWORD_PROMPT")->text();
        const Answer answer = answers.front();
        answers.erase(answers.begin());
        if (answer.button == "close")
            return void(pAsking->parentWidget()->close());
        auto* pEdit = Child<QLineEdit>(*pAsking, "IDC_EDIT_PASSWORD");
        EXPECT_EQ(pEdit->echoMode(), QLineEdit::Password);
        QTest::keyClicks(pEdit, Q(answer.typed));
        if (answer.bForOthers)
            QTest::keyClick(Child<QCheckBox>(*pAsking, "IDC_CHECK_PASSWORD_BATCH"), Qt::Key_Space);
        if (answer.button == "IDOK")
            QTest::keyClick(pEdit, Qt::Key_Return);
        else
            QTest::mouseClick(Child<QPushButton>(*pAsking, answer.button.c_str()), Qt::LeftButton);
    });
    pTimer->start(10);
    return pTimer;
}

// An application object whose home, runtime folder, Settings.ini and settings area (recent files,
// look) live in the test's own folder, with every modal seam in test mode.
class AppFixture : public fx::FolderTest
{
protected:
    void SetUp() override
    {
        QDir().mkpath(Path("rt"));
        ::chmod(m_tmp.File("rt").c_str(), 0700);
        for (const auto& [szName, szValue] :
             {std::pair {"HOME", Q(m_tmp.Path().string())}, {"XDG_RUNTIME_DIR", Path("rt")}}) {
            m_oldEnv[szName] = qgetenv(szName);
            qputenv(szName, szValue.toLocal8Bit());
        }
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("registry"));
        for (void (*pSetTestMode)(bool) : {&CMessageBox::SetTestMode, &CFileDialog::SetTestMode, &CShell::SetTestMode})
            pSetTestMode(true);
        m_app.GetAppPath();
        m_app.GetAppDataPath();
        m_app.m_szSettingsFile = m_app.m_szAppDataPath + QStringLiteral("Settings.ini");
        m_app.GetAppSettings();
    }
    void TearDown() override
    {
        for (void (*pSetTestMode)(bool) : {&CMessageBox::SetTestMode, &CFileDialog::SetTestMode, &CShell::SetTestMode})
            pSetTestMode(false);
        for (const auto& [szName, value] : m_oldEnv)
            qputenv(szName, value);
    }

    QString Path(const std::string& name) const { return Q(m_tmp.File(name)); }
    std::string Ini() const { return m_app.m_szSettingsFile.toStdString(); }
    CAppSettings& Settings() { return m_app.Settings(); }
    // A PDF of `nPages` pages showing "<name up to its last dot> page <n>", with one bookmark per page
    // when asked.
    std::string MakePdf(const std::string& name, int nPages, bool bOutline = false, const std::string& password = "")
    {
        return Make(name, nPages, bOutline, {.userPassword = password});
    }

    std::map<const char*, QByteArray> m_oldEnv;
    CQuireApp m_app;
    // The preview's pages are drawn by the program this build made, as the window's own run does.
    CPageRenderer m_renderer {QStringLiteral(QUIRE_BINARY_DIR "/quire-binder"), {QStringLiteral("--render-pages")}};
};

// The main window with its file list view as the program builds them, shown; Auto Open is off.
class FrameFixture : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        WriteWholeFile(Ini(), "[General]\nOpenResult=0\n");
        Restart();
    }
    // A new start: the settings read again from their files, a new window.
    void Restart()
    {
        m_pFrame.reset();
        m_app.GetAppSettings();
        m_pFrame = std::make_unique<CMainFrame>(Settings(), m_renderer);
        m_pView = new CQuireView(*m_pFrame, Settings());
        m_pFrame->SetView(m_pView, m_pView);
        m_pFrame->resize(1000, 700);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    }

    void Trigger(const char* szName) { TriggerAction(*m_pFrame, szName); }
    QAction* Action(const char* szName) const { return Child<QAction>(*m_pFrame, szName); }
    CXListCtrl* List() const { return m_pView->GetListCtrl(); }

    // Adds `paths` through Add PDF Files and waits until the intake has ended.
    void AddFiles(const std::vector<std::string>& paths)
    {
        QStringList names;
        for (const std::string& path : paths)
            names << Q(path);
        CFileDialog::SetNextFileNames(names);
        Trigger("ID_FILE_OPEN");
        WaitForIntake();
    }
    // Runs the event loop until no intake runs or waits.
    void WaitForIntake()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_pFrame->IsIntakeRunning(); }, 60000));
    }
    // The rows, one string each: "[x] name pages begin end bookmark", joined by " | ".
    std::string Rows() const
    {
        std::string rows;
        for (int nRow = 0; nRow < List()->GetItemCount(); ++nRow) {
            rows += std::string(nRow ? " | " : "") + (List()->GetCheckedState(nRow, 0) == 2 ? "[x]" : "[ ]");
            for (int nCol = 1; nCol <= 5; ++nCol)
                rows += " " + List()->GetItemText(nRow, nCol).toStdString();
        }
        return rows;
    }

    std::unique_ptr<CMainFrame> m_pFrame;
    CQuireView* m_pView = nullptr;
};
