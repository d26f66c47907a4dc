// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderer.h"
#include "preview/RenderMessages.h"
#include "tests/support/PageImages.h"
#include "tests/support/PdfFixtures.h"

#include <QTest>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <signal.h>

#include <cstdlib>
#include <functional>
#include <memory>

using namespace quire::fixtures;

namespace {

const QString kHelper = QStringLiteral(QUIRE_BINARY_DIR "/quire-binder");
constexpr int kWaitMs = 60000;

struct Event
{
    enum Kind { Rendered, Failed, Unpreviewable } kind;
    QString szPath;
    int nPage = -1;
    QImage image;
    QString szText; // the label, or the reason
};

class PageRendererTest : public FolderTest
{
protected:
    void SetUp() override { Start(kHelper, {QStringLiteral("--render-pages")}); }

    void Start(const QString& szProgram, const QStringList& arguments)
    {
        m_events.clear();
        m_pRenderer = std::make_unique<CPageRenderer>(szProgram, arguments);
        CPageRenderer* p = m_pRenderer.get();
        QObject::connect(p, &CPageRenderer::pageRendered, [this](auto szPath, int nPage, auto image, auto szLabel) {
            m_events.push_back({Event::Rendered, szPath, nPage, image, szLabel});
        });
        QObject::connect(p, &CPageRenderer::pageFailed, [this](auto szPath, int nPage, auto szReason) {
            m_events.push_back({Event::Failed, szPath, nPage, {}, szReason});
        });
        QObject::connect(p, &CPageRenderer::fileUnpreviewable, [this](auto szPath, auto szReason) {
            m_events.push_back({Event::Unpreviewable, szPath, -1, {}, szReason});
        });
    }

    QString Pdf(const std::string& name, int pages, PdfDesc desc = {})
    {
        return QString::fromStdString(Make(name, pages, false, std::move(desc)));
    }

    std::vector<Event> Of(const QString& szPath, Event::Kind kind) const
    {
        std::vector<Event> found;
        for (const Event& event : m_events) {
            if (event.szPath == szPath && event.kind == kind)
                found.push_back(event);
        }
        return found;
    }

    // Waits until `path` has `count` events of `kind`.
    bool WaitFor(const QString& szPath, Event::Kind kind, size_t count)
    {
        return QTest::qWaitFor([&] { return Of(szPath, kind).size() >= count; }, kWaitMs);
    }

    void KillHelper(int nSignal) const
    {
        const qint64 pid = m_pRenderer->ProcessId();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid_t(pid), nSignal), 0);
    }

    std::vector<Event> m_events;
    std::unique_ptr<CPageRenderer> m_pRenderer;
};

// The darkest pixel of a page showing its line of text is dark.
bool ShowsInk(const QImage& grey)
{
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            if (grey.constScanLine(y)[x] < 100)
                return true;
        }
    }
    return false;
}

template<class Row> std::string RowName(const ::testing::TestParamInfo<Row>& row)
{
    return row.param.name;
}

template<class Row>
requires requires(Row row)
{
    row.name;
}
void PrintTo(const Row& row, std::ostream* pStream)
{
    *pStream << row.name;
}

struct LookRow
{
    const char* name;
    int page; // 0-based, of three
    QSize box;
    const char* mediaBox; // empty: the fixtures' portrait letter page
    int rotate;
};

class PageLookTest : public PageRendererTest, public ::testing::WithParamInterface<LookRow>
{
};

// Each thumbnail looks like pdftoppm's drawing of the same page at the same size, on the page's own
// shape (as given by its media box and its turn), with the page's white ground.
TEST_P(PageLookTest, MatchesPdftoppm)
{
    const LookRow row = GetParam();
    PdfDesc desc;
    desc.finish = [&](QPDF& pdf) {
        // The two renderers find different fonts for Helvetica: a black bar, drawn alike by both, at
        // a place of its own on each page tells a wrong page, place, scale or turn.
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            const std::string bar = "0 g " + std::to_string(72 + 100 * i) + " 450 80 250 re f";
            pages[i].addPageContents(QPDFObjectHandle::newStream(&pdf, bar), false);
        }
        QPDFObjectHandle page = pages.at(size_t(row.page)).getObjectHandle();
        if (*row.mediaBox)
            page.replaceKey("/MediaBox", QPDFObjectHandle::parse(row.mediaBox));
        if (row.rotate)
            page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(row.rotate));
    };
    const QString szPath = Pdf("look.pdf", 3, desc);
    m_pRenderer->Render(szPath, {}, {row.page}, row.box);
    ASSERT_TRUE(WaitFor(szPath, Event::Rendered, 1));
    const QImage image = Of(szPath, Event::Rendered)[0].image;
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    // Fits the box, touching it on one side.
    ASSERT_LE(image.width(), row.box.width());
    ASSERT_LE(image.height(), row.box.height());
    EXPECT_TRUE(image.width() == row.box.width() || image.height() == row.box.height());

    // pdftoppm scales the page before it turns it.
    const QSize scaleTo = row.rotate % 180 ? image.size().transposed() : image.size();
    const QImage reference = PdftoppmPage(szPath.toStdString(), row.page, scaleTo, m_tmp.File("ppm"));
    ASSERT_EQ(reference.size(), image.size());
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_TRUE(ShowsInk(reference));
    EXPECT_TRUE(ShowsInk(grey));
    EXPECT_LT(MeanGreyDifference(grey, reference), 4.0);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageLookTest,
                         ::testing::Values(LookRow {"Portrait", 1, {300, 300}, "", 0},
                                           LookRow {"Landscape", 0, {400, 400}, "[0 400 792 792]", 0},
                                           LookRow {"Rotated", 2, {500, 260}, "", 90},
                                           LookRow {"Large", 0, {900, 1200}, "", 0}),
                         RowName<LookRow>);

// Labels come as the file gives them, as qpdf reads them; none when the file has none.
TEST_F(PageRendererTest, LabelsAsTheFileGivesThem)
{
    PdfDesc desc;
    desc.labels = {{1, "r"}, {3, "D", "A-"}};
    const QString szLabelled = Pdf("labelled.pdf", 4, desc);
    const QString szPlain = Pdf("plain.pdf", 2);
    m_pRenderer->Render(szLabelled, {}, {0, 1, 2, 3}, {64, 64});
    ASSERT_TRUE(WaitFor(szLabelled, Event::Rendered, 4));
    m_pRenderer->Render(szPlain, {}, {0, 1}, {64, 64});
    ASSERT_TRUE(WaitFor(szPlain, Event::Rendered, 2));

    std::vector<std::string> labels;
    for (const Event& event : Of(szLabelled, Event::Rendered))
        labels.push_back(event.szText.toStdString());
    EXPECT_EQ(labels, LabelsOf(szLabelled.toStdString()));
    EXPECT_EQ(labels, (std::vector<std::string> {"i", "ii", "A-1", "A-2"}));
    for (const Event& event : Of(szPlain, Event::Rendered))
        EXPECT_EQ(event.szText, QString());
}

struct OpenRow
{
    const char* name;
    std::function<void(const std::string&)> make;
    const char* password;
    int page;
    const char* reason; // empty: the page is drawn
};

class PageOpenTest : public PageRendererTest, public ::testing::WithParamInterface<OpenRow>
{
};

void Protected(const std::string& path, Encryption encryption, bool bOwnerOnly = false)
{
    PdfDesc desc;
    desc.tag = "Secret";
    desc.pages = 2;
    if (!bOwnerOnly)
        desc.userPassword = "s3cret";
    desc.ownerPassword = "owner";
    desc.encryption = encryption;
    WritePdf(path, desc);
}

TEST_P(PageOpenTest, DrawsOrSaysWhy)
{
    const OpenRow& row = GetParam();
    const QString szPath = QString::fromStdString(m_tmp.File("file.pdf"));
    if (row.make)
        row.make(szPath.toStdString());
    m_pRenderer->Render(szPath, QString::fromUtf8(row.password), {row.page}, {300, 300});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_events.empty(); }, kWaitMs));
    ASSERT_EQ(m_events.size(), 1u);
    const Event& event = m_events[0];
    EXPECT_EQ(event.nPage, row.page);
    if (!*row.reason) {
        ASSERT_EQ(event.kind, Event::Rendered) << event.szText.toStdString();
        EXPECT_TRUE(ShowsInk(event.image.convertToFormat(QImage::Format_Grayscale8)));
    } else {
        ASSERT_EQ(event.kind, Event::Failed);
        EXPECT_EQ(event.szText.toStdString(), row.reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PageOpenTest,
    ::testing::Values(
        OpenRow {"RightPassword", [](auto& p) { Protected(p, Encryption::Aes256); }, "s3cret", 1, ""},
        OpenRow {"Rc4RightPassword", [](auto& p) { Protected(p, Encryption::Rc4_40); }, "s3cret", 0, ""},
        OpenRow {"OwnerPasswordOnly", [](auto& p) { Protected(p, Encryption::Aes128, true); }, "", 0, ""},
        OpenRow {"NoPassword", [](auto& p) { Protected(p, Encryption::Aes256); }, "", 0,
                 "The file cannot be opened: it needs a password."},
        OpenRow {"WrongPassword", [](auto& p) { Protected(p, Encryption::Rc4_128); }, "guess", 0,
                 "The file cannot be opened: the password is wrong."},
        OpenRow {"NotPdf", WriteNotPdf, "", 0, "The file cannot be opened: it is not a PDF file, or it is damaged."},
        OpenRow {"Truncated", WriteTruncatedPdf, "", 0,
                 "The file cannot be opened: it is not a PDF file, or it is damaged."},
        OpenRow {"Garbled", [](auto& p) { WriteWholeFile(p, "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 9 0 R\n"); },
                 "", 0, "The file cannot be opened: it is not a PDF file, or it is damaged."},
        OpenRow {"Missing", nullptr, "", 0, "The file cannot be opened: it was not found."},
        OpenRow {"PageOutside", [](auto& p) { Protected(p, Encryption::Aes256, true); }, "", 2,
                 "The file has no page 3."}),
    RowName<OpenRow>);

// A helper killed while drawing is started again and the pages still come; killed twice on one
// file's pages, that file is given up, and never asked for again, while others still draw.
TEST_F(PageRendererTest, CrashesAreRetriedThenTheFileIsGivenUp)
{
    const QString szBad = Pdf("bad.pdf", 4);
    const QString szGood = Pdf("good.pdf", 2);
    m_pRenderer->Render(szBad, {}, {0, 1, 2, 3}, {120, 120});
    const qint64 nFirst = m_pRenderer->ProcessId();
    KillHelper(SIGKILL);
    ASSERT_TRUE(WaitFor(szBad, Event::Rendered, 4));
    EXPECT_NE(m_pRenderer->ProcessId(), nFirst);
    EXPECT_FALSE(m_pRenderer->IsUnpreviewable(szBad));

    m_pRenderer->Render(szBad, {}, {2, 3}, {120, 120});
    KillHelper(SIGKILL);
    ASSERT_TRUE(WaitFor(szBad, Event::Unpreviewable, 1));
    EXPECT_TRUE(m_pRenderer->IsUnpreviewable(szBad));
    EXPECT_NE(Of(szBad, Event::Unpreviewable)[0].szText.indexOf(QLatin1String("twice")), -1);

    // Were the given-up file asked for, its page (in flight) would come before the other file's.
    m_pRenderer->Render(szBad, {}, {0, 1}, {120, 120});
    m_pRenderer->Render(szGood, {}, {1}, {120, 120});
    ASSERT_TRUE(WaitFor(szGood, Event::Rendered, 1));
    EXPECT_EQ(Of(szBad, Event::Rendered).size(), 4u);
    EXPECT_EQ(Of(szBad, Event::Failed).size(), 0u);
    EXPECT_EQ(Of(szBad, Event::Unpreviewable).size(), 1u);
}

// A helper that stops answering is killed at the time limit, and that counts as a crash.
TEST_F(PageRendererTest, AHungHelperIsKilledAndCounted)
{
    const QString szPath = Pdf("hang.pdf", 3);
    m_pRenderer->SetTimeLimit(1500);
    m_pRenderer->Render(szPath, {}, {0, 1}, {80, 80});
    const qint64 nStopped = m_pRenderer->ProcessId();
    KillHelper(SIGSTOP);
    ASSERT_TRUE(WaitFor(szPath, Event::Rendered, 2));
    EXPECT_NE(m_pRenderer->ProcessId(), nStopped);
    EXPECT_NE(::kill(pid_t(nStopped), 0), 0); // killed and reaped

    m_pRenderer->Render(szPath, {}, {2}, {80, 80});
    KillHelper(SIGKILL);
    ASSERT_TRUE(WaitFor(szPath, Event::Unpreviewable, 1));
    EXPECT_EQ(Of(szPath, Event::Rendered).size(), 2u);
}

// The helper runs under an address-space limit, but not under a sanitizer, which reserves terabytes.
TEST_F(PageRendererTest, TheHelperIsLimited)
{
    const QString szPath = Pdf("limit.pdf", 1);
    m_pRenderer->Render(szPath, {}, {0}, {50, 50});
    ASSERT_TRUE(WaitFor(szPath, Event::Rendered, 1));
    const std::string limits = ReadWholeFile("/proc/" + std::to_string(m_pRenderer->ProcessId()) + "/limits");
    ASSERT_NE(limits.find("Max address space"), std::string::npos);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    EXPECT_NE(limits.find("Max address space         unlimited"), std::string::npos) << limits;
#else
    EXPECT_NE(limits.find("Max address space         2147483648"), std::string::npos) << limits;
#endif
}

// A helper that cannot be started fails the pages asked for, and nothing is given up.
TEST_F(PageRendererTest, AHelperThatCannotStartFailsThePages)
{
    Start(QString::fromStdString(m_tmp.File("no-such-helper")), {});
    const QString szPath = Pdf("any.pdf", 2);
    m_pRenderer->Render(szPath, {}, {1, 0}, {50, 50});
    ASSERT_TRUE(WaitFor(szPath, Event::Failed, 2));
    EXPECT_EQ(Of(szPath, Event::Failed)[0].nPage, 1);
    EXPECT_EQ(Of(szPath, Event::Failed)[1].szText, QStringLiteral("The previewer could not be started."));
    EXPECT_FALSE(m_pRenderer->IsUnpreviewable(szPath));
}

// A new list replaces the pages waiting: only the page in flight still comes from the old one, and
// it is not asked for again when the new list holds it too.
TEST_F(PageRendererTest, ANewListDropsThePagesWaiting)
{
    const QString szFirst = Pdf("first.pdf", 5);
    const QString szSecond = Pdf("second.pdf", 2);
    const auto pagesOf = [&](const QString& szPath) {
        std::vector<int> pages;
        for (const Event& event : Of(szPath, Event::Rendered))
            pages.push_back(event.nPage);
        return pages;
    };
    m_pRenderer->Render(szFirst, {}, {3, 0, 1, 2, 4}, {100, 100});
    m_pRenderer->Render(szFirst, {}, {3, 2}, {100, 100});
    ASSERT_TRUE(WaitFor(szFirst, Event::Rendered, 2));
    m_pRenderer->Render(szFirst, {}, {0, 1, 4}, {100, 100});
    m_pRenderer->Render(szSecond, {}, {1, 0}, {100, 100});
    ASSERT_TRUE(WaitFor(szSecond, Event::Rendered, 2));
    EXPECT_EQ(pagesOf(szFirst), (std::vector<int> {3, 2, 0}));
    EXPECT_EQ(pagesOf(szSecond), (std::vector<int> {1, 0}));
    EXPECT_EQ(m_events[2].szPath, szFirst); // before the second file's pages
}

struct HostileRow
{
    const char* name;
    std::function<QByteArray()> bytes; // what the fake helper says, whatever it is asked
    bool bAccepted;
};

class HostileHelperTest : public PageRendererTest, public ::testing::WithParamInterface<HostileRow>
{
};

QByteArray AnswerBytes(int nPage, QSize size, int nExtra = 0)
{
    RenderMessages::Answer answer;
    answer.nSerial = 1; // the first question a renderer asks
    answer.nPage = nPage;
    answer.bOk = true;
    answer.image = QImage(size, QImage::Format_RGB32);
    answer.image.fill(Qt::gray);
    QByteArray frame = RenderMessages::EncodeAnswer(answer) + QByteArray(nExtra, 'x');
    frame[11] = char(frame[11] + nExtra); // the body's length, big-endian
    return frame;
}

// What a broken or hostile helper says is checked: anything wrong kills it as a crash would, so
// that the file is given up after the second time; a sound answer is taken.
TEST_P(HostileHelperTest, AnswersAreChecked)
{
    const HostileRow& row = GetParam();
    const std::string said = m_tmp.File("said.bin");
    const QByteArray bytes = row.bytes();
    WriteWholeFile(said, bytes.toStdString());
    Start(QStringLiteral("/bin/sh"),
          {QStringLiteral("-c"), QStringLiteral("cat \"$0\"; exec sleep 30"), QString::fromStdString(said)});
    m_pRenderer->SetTimeLimit(2000); // a truncated answer is waited for until then
    const QString szPath = Pdf("any.pdf", 1);
    m_pRenderer->Render(szPath, {}, {0}, {32, 32});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_events.empty(); }, kWaitMs));
    ASSERT_EQ(m_events.size(), 1u);
    if (row.bAccepted) {
        ASSERT_EQ(m_events[0].kind, Event::Rendered);
        EXPECT_EQ(m_events[0].image.size(), QSize(32, 20));
        EXPECT_EQ(m_events[0].image.pixel(5, 5), QColor(Qt::gray).rgb());
    } else {
        EXPECT_EQ(m_events[0].kind, Event::Unpreviewable);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Helpers, HostileHelperTest,
    ::testing::Values(HostileRow {"Sound",
                                  [] {
                                      return AnswerBytes(0, {32, 20});
                                  },
                                  true},
                      HostileRow {"Garbage", [] { return QByteArray("hello, window\n"); }, false},
                      HostileRow {"HugeFrame", [] { return QByteArray::fromHex("5152504700010002ffffffff"); }, false},
                      HostileRow {"ImageBeyondTheBox",
                                  [] {
                                      return AnswerBytes(0, {33, 20});
                                  },
                                  false},
                      HostileRow {"PageNotAsked",
                                  [] {
                                      return AnswerBytes(1, {32, 20});
                                  },
                                  false},
                      HostileRow {"BytesLeftOver",
                                  [] {
                                      return AnswerBytes(0, {32, 20}, 3);
                                  },
                                  false},
                      HostileRow {"Truncated",
                                  [] {
                                      return AnswerBytes(0, {32, 20}).chopped(100);
                                  },
                                  false}),
    RowName<HostileRow>);

} // namespace
