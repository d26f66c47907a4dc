// SPDX-License-Identifier: Apache-2.0
#include "controls/CBusyProgressCtrl.h"

#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>

CBusyProgressCtrl::CBusyProgressCtrl(int nNumSteps, int nCurPos, QWidget* pParent)
    : QWidget(pParent)
    , m_nNumSteps(nNumSteps)
    , m_nPos(nCurPos)
    , m_nNumFillPositions(nNumSteps * 5)
    , m_colBkg(palette().color(QPalette::Button))
{
    setAccessibleName(QStringLiteral("BusyProgressCtrl"));
}

CBusyProgressCtrl::~CBusyProgressCtrl()
{
    End();
}

bool CBusyProgressCtrl::Create(const QRect& rect, QWidget* pParentWnd, int nID)
{
    setParent(pParentWnd);
    setGeometry(rect);
    setObjectName(QString::number(nID));
    m_rectBar = QRect();
    Recalc();
    return true;
}

void CBusyProgressCtrl::Recalc()
{
    // NOTE: a hidden widget gets its resize event only when shown, so a Recalc() right after a
    // resize would still see the old bar; the client rectangle is the truth then.
    if (m_rectBar.isEmpty() || m_rectBar.size() != size()) {
        m_rectBar = rect();
        m_pixmapBuffer = QPixmap();
    }
    const int nBlocks = m_nNumSteps.load();
    m_dBlockHeight = m_rectBar.height();
    // No blocks, or more gaps than the bar is wide: nothing to lay out rather than a division by
    // zero or blocks of negative width.
    const double dSpace = m_rectBar.width() - double(m_nIBPad) * nBlocks;
    m_dBlockWidth = nBlocks > 0 && dSpace > 0 ? dSpace / nBlocks : 0.0;
}

int CBusyProgressCtrl::NumPositions() const
{
    switch (m_nBusyFill.load()) {
    case BusyFillBlock:
        return m_nNumSteps.load();
    case BusyFillStretch:
        return m_nNumFillPositions.load();
    default:
        return 0;
    }
}

void CBusyProgressCtrl::Reset()
{
    if (m_nMode.load() == ModeBusy && m_nBusyType.load() == BusyTypeLoopBackward) {
        const int nBlocks = m_nNumSteps.load();
        m_nPos.store(m_nBusyFill.load() == BusyFillStretch ? m_nGranularity.load() * nBlocks : nBlocks);
        m_nStep.store(-1);
        return;
    }
    m_nPos.store(0);
    m_nStep.store(1);
}

void CBusyProgressCtrl::StepIt()
{
    if (m_nMode.load() == ModeBusy) {
        const int nPositions = NumPositions();
        const int nPos = m_nPos.load();
        // NOTE: the loops turn at or beyond their ends, not only exactly at them, so a position
        // left outside the bar (the block count shrank, or it was set there) comes back into view
        // instead of running on unseen.
        switch (m_nBusyType.load()) {
        case BusyTypeBackAndForth:
            if (nPos >= nPositions - 1)
                m_nStep.store(-1);
            if (nPos <= 0)
                m_nStep.store(1);
            break;
        case BusyTypeLoopForward:
            if (nPos >= nPositions - 1)
                m_nPos.store(-1);
            break;
        case BusyTypeLoopBackward:
            if (nPos <= 0)
                m_nPos.store(nPositions);
            break;
        default:
            break;
        }
    }
    m_nPos.fetch_add(m_nStep.load());
    Repaint();
}

void CBusyProgressCtrl::Start()
{
    if (m_nMode.load() != ModeBusy)
        return;
    std::lock_guard<std::mutex> guard(m_threadMutex);
    // A restart from the animation thread itself (a drawing hook of a subclass) would have to wait
    // for its own end; it keeps running instead.
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id())
        return;
    StopThread();
    // The flag is raised here, before the thread exists, so an End() that follows at once always
    // finds it set and the new thread cannot miss the stop.
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_bRunning.store(true);
        m_bThreadDone = false;
    }
    try {
        m_thread = std::thread(&CBusyProgressCtrl::thrdBusy, this);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_bRunning.store(false);
        m_bThreadDone = true;
    }
}

void CBusyProgressCtrl::End()
{
    std::lock_guard<std::mutex> guard(m_threadMutex);
    StopThread();
}

void CBusyProgressCtrl::StopThread()
{
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_bRunning.store(false);
    }
    m_wake.notify_all();
    if (!m_thread.joinable())
        return;
    // Called from the animation thread itself (a repaint hook of a subclass): the flag is down and
    // the thread ends on its own; it cannot wait for itself.
    if (m_thread.get_id() == std::this_thread::get_id())
        return;
    {
        std::unique_lock<std::mutex> lock(m_waitMutex);
        // NOTE: each wait is bounded by twice the interval, but the thread object is released only
        // once its thread has really ended, so a slow tick never leaves a thread running on a
        // freed control.
        const auto bound = std::chrono::milliseconds(2 * std::max(1, m_nSpeed.load()));
        bool bDone = false;
        while (!bDone)
            bDone = m_wake.wait_for(lock, bound, [this] { return m_bThreadDone; });
    }
    m_thread.join();
}

int CBusyProgressCtrl::thrdBusy(CBusyProgressCtrl* pCtrl)
{
    if (!pCtrl)
        return -1;
    std::unique_lock<std::mutex> lock(pCtrl->m_waitMutex);
    while (pCtrl->m_bRunning.load()) {
        lock.unlock();
        pCtrl->StepIt();
        lock.lock();
        // Sleeping on the condition lets End() wake the thread at once instead of waiting out the interval.
        const auto interval = std::chrono::milliseconds(std::max(1, pCtrl->m_nSpeed.load()));
        pCtrl->m_wake.wait_for(lock, interval, [pCtrl] { return !pCtrl->m_bRunning.load(); });
    }
    pCtrl->m_bThreadDone = true;
    lock.unlock();
    pCtrl->m_wake.notify_all();
    return 0;
}

void CBusyProgressCtrl::Repaint()
{
    if (QThread::currentThread() == thread()) {
        update();
        return;
    }
    // Painting happens on the widget's thread only; a queued call dies with the widget if it is
    // destroyed before the call is delivered.
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

void CBusyProgressCtrl::SetBusyType(int nType)
{
    m_nBusyType.store(nType);
    if (m_nMode.load() != ModeBusy)
        return;
    if (nType == BusyTypeLoopForward)
        m_nStep.store(1);
    else if (nType == BusyTypeLoopBackward)
        m_nStep.store(-1);
}

void CBusyProgressCtrl::SetBusyFill(int nFill)
{
    if (m_nMode.load() != ModeBusy)
        return;
    m_nBusyFill.store(nFill);
    Reset();
    if (nFill == BusyFillStretch)
        m_nNumFillPositions.store(m_nGranularity.load() * m_nNumSteps.load());
}

void CBusyProgressCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower.store(nLower);
    m_nUpper.store(nUpper);
}

void CBusyProgressCtrl::SetGranularity(int nCount)
{
    m_nGranularity.store(nCount);
    SetBusyFill(m_nBusyFill.load());
}

QSize CBusyProgressCtrl::sizeHint() const
{
    const int nHeight = fontMetrics().height();
    const int nBlocks = std::max(1, m_nNumSteps.load());
    return {nBlocks * (nHeight + std::max(0, m_nIBPad)), nHeight};
}

void CBusyProgressCtrl::OnSetNumSteps(int nCount)
{
    m_nNumSteps.store(nCount);
    Recalc();
    Repaint();
}

void CBusyProgressCtrl::OnSetCurPos(int nPos)
{
    m_nPos.store(nPos);
    Repaint();
}

void CBusyProgressCtrl::OnSetIBPad(int nPixels)
{
    m_nIBPad = nPixels;
    Recalc();
    Repaint();
}

void CBusyProgressCtrl::OnSetSpeed(int nMilliseconds)
{
    SetSpeed(nMilliseconds);
}

void CBusyProgressCtrl::OnSetRange(int nLower, int nUpper)
{
    SetRange(nLower, nUpper);
}

void CBusyProgressCtrl::OnSetMode(int nMode)
{
    End();
    if (nMode != ModeBusy && nMode != ModeProgress)
        return;
    m_nMode.store(nMode);
    if (nMode == ModeProgress)
        m_nStep.store(1);
}

void CBusyProgressCtrl::OnStartBusy()
{
    Start();
}

void CBusyProgressCtrl::OnEndBusy()
{
    End();
}

void CBusyProgressCtrl::OnStepIt()
{
    StepIt();
}

void CBusyProgressCtrl::OnSetBusyType(int nType)
{
    SetBusyType(nType);
}

void CBusyProgressCtrl::OnSetBusyFill(int nFill)
{
    SetBusyFill(nFill);
}

void CBusyProgressCtrl::OnSetGranularity(int nCount)
{
    m_nGranularity.store(nCount);
    if (m_nMode.load() != ModeBusy)
        return;
    Reset();
    if (m_nBusyFill.load() == BusyFillStretch)
        m_nNumFillPositions.store(m_nNumSteps.load() * nCount);
}

void CBusyProgressCtrl::OnSetColBkg(const QColor& color)
{
    m_colBkg = color;
    Repaint();
}

void CBusyProgressCtrl::OnSetColBFace(const QColor& color)
{
    m_colBlockFace = color;
    Repaint();
}

void CBusyProgressCtrl::OnSetColBEdge(const QColor& color)
{
    m_colBlockEdge = color;
    Repaint();
}

void CBusyProgressCtrl::OnSetColBFaceHi(const QColor& color)
{
    m_colBlockFaceHi = color;
    Repaint();
}

void CBusyProgressCtrl::OnSetColBEdgeHi(const QColor& color)
{
    m_colBlockEdgeHi = color;
    Repaint();
}

void CBusyProgressCtrl::OnRecalc()
{
    Recalc();
}

void CBusyProgressCtrl::OnReset()
{
    Reset();
}

void CBusyProgressCtrl::OnUseSysCol(bool bUse)
{
    m_bUseSysCol = bUse;
    if (bUse)
        m_colBkg = palette().color(QPalette::Button);
    Repaint();
}

void CBusyProgressCtrl::paintEvent(QPaintEvent* /*event*/)
{
    OnPaint();
}

void CBusyProgressCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSize(event->size());
}

void CBusyProgressCtrl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        OnSysColorChange();
}

void CBusyProgressCtrl::OnPaint()
{
    if (m_rectBar.isEmpty())
        return;
    // The buffer is kept between paints and made again only after a resize.
    if (m_pixmapBuffer.isNull()) {
        const qreal dRatio = devicePixelRatioF();
        m_pixmapBuffer = QPixmap(m_rectBar.size() * dRatio);
        m_pixmapBuffer.setDevicePixelRatio(dRatio);
    }
    {
        QPainter memory(&m_pixmapBuffer);
        DrawBackground(memory, m_rectBar);
        DrawBlocks(memory);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmapBuffer);
}

void CBusyProgressCtrl::OnSize(const QSize& size)
{
    m_rectBar = QRect(QPoint(0, 0), size);
    m_pixmapBuffer = QPixmap();
}

void CBusyProgressCtrl::OnSysColorChange()
{
    if (!m_bUseSysCol)
        return;
    m_colBkg = palette().color(QPalette::Button);
    Repaint();
}

void CBusyProgressCtrl::DrawBlocks(QPainter& painter)
{
    const int nBlocks = m_nNumSteps.load();
    const int nPos = m_nPos.load();
    const int nMode = m_nMode.load();
    const int nFill = m_nBusyFill.load();
    if (nBlocks <= 0 || m_dBlockWidth <= 0.0)
        return;

    // Fill 1 lights the one block at the position; fill 2 and progress mode light a stretch of
    // dLit blocks from the left.
    const bool bSingle = nMode == ModeBusy && nFill == BusyFillBlock;
    double dLit = 0.0;
    if (nMode == ModeBusy && nFill == BusyFillStretch) {
        const int nPositions = m_nNumFillPositions.load();
        dLit = nPositions > 0 ? double(nBlocks) * nPos / nPositions : 0.0;
    } else if (nMode == ModeBusy && !bSingle) {
        return;
    } else if (nMode != ModeBusy) {
        // NOTE: the proportion is taken from the lower end of the range, so a range that does not
        // start at 0 still fills from empty to full; an empty range lights nothing.
        const double dSpan = double(m_nUpper.load()) - m_nLower.load();
        dLit = dSpan > 0 ? nBlocks * (nPos - double(m_nLower.load())) / dSpan : 0.0;
    }
    dLit = std::clamp(dLit, 0.0, double(nBlocks));
    const int nFull = int(std::floor(dLit));

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(m_colBlockEdge, 1));
    painter.setBrush(m_colBlockFace);
    for (int i = 0; i < nBlocks; ++i) {
        const double dX = i * (m_dBlockWidth + m_nIBPad);
        const int nLeft = int(dX);
        const int nRight = int(dX + m_dBlockWidth);
        const QRect rectBlock(nLeft, 0, nRight - nLeft, int(m_dBlockHeight));
        if (bSingle) {
            if (i == nPos)
                DrawHiliteBlock(painter, rectBlock);
            else
                DrawBlock(painter, rectBlock);
            continue;
        }
        if (i < nFull) {
            DrawHiliteBlock(painter, rectBlock);
            continue;
        }
        DrawBlock(painter, rectBlock);
        if (i == nFull) {
            const int nPartial = int(m_dBlockWidth * (dLit - nFull));
            if (nPartial != 0)
                DrawPartialBlock(painter, rectBlock, nPartial);
        }
    }
}

void CBusyProgressCtrl::DrawBackground(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, m_colBkg);
}

void CBusyProgressCtrl::DrawBlock(QPainter& painter, const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // The rectangle's right and bottom edges are exclusive; with a one-pixel pen drawRect covers
    // one pixel more than its size, hence the shrink.
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void CBusyProgressCtrl::DrawHiliteBlock(QPainter& painter, const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    painter.save();
    painter.setPen(QPen(m_colBlockEdgeHi, 1));
    painter.setBrush(m_colBlockFaceHi);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void CBusyProgressCtrl::DrawPartialBlock(QPainter& painter, const QRect& rect, int nWidth)
{
    const int nLeft = rect.left() + 1;
    const int nBlockRight = rect.left() + rect.width();
    const int nRight = std::min(nLeft + nWidth, nBlockRight - 1);
    const QRect rectFill(nLeft, rect.top() + 1, nRight - nLeft, rect.height() - 2);
    if (rectFill.width() > 0 && rectFill.height() > 0)
        painter.fillRect(rectFill, m_colBlockFaceHi);
}
