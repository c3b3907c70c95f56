#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/windows/WindowSystem.h"

namespace {

constexpr UINT WM_TEST = WM_USER + 1;
constexpr UINT WM_OTHER = WM_USER + 2;

class MessageQueueTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TMessageLog Log;
    TTestWindow Top{Log};
    TTestWindow Child{Log};
    HWND TopWnd = nullptr;
    HWND ChildWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top);
        ChildWnd = Child.Create(TopWnd, {10, 10, 60, 60});
        ProcessMessages();
        Log.clear();
    }

    std::vector<WPARAM> TestParams() const
    {
        std::vector<WPARAM> out;
        for (const TLogEntry& e : Log)
            if (e.Msg == WM_TEST) out.push_back(e.WParam);
        return out;
    }
};

TEST_F(MessageQueueTest, SentMessageArrivesAtOnceAndPostedOnlyWhenPumped)
{
    PostMessage(TopWnd, WM_TEST, 1);
    SendMessage(TopWnd, WM_TEST, 2);
    EXPECT_EQ(TestParams(), (std::vector<WPARAM>{2}));
    ProcessMessages();
    EXPECT_EQ(TestParams(), (std::vector<WPARAM>{2, 1}));
}

TEST_F(MessageQueueTest, PostedMessagesArriveInPostingOrder)
{
    for (WPARAM i = 1; i <= 3; ++i) PostMessage(TopWnd, WM_TEST, i);
    ProcessMessages();
    EXPECT_EQ(TestParams(), (std::vector<WPARAM>{1, 2, 3}));
}

TEST_F(MessageQueueTest, SendAnswersWithTheHandlersResult)
{
    Top.OnMessage = [](TMessage& M) {
        if (M.Msg != WM_TEST) return false;
        M.Result = static_cast<LRESULT>(M.WParam * 2);
        return true;
    };
    EXPECT_EQ(SendMessage(TopWnd, WM_TEST, 21), 42);
}

TEST_F(MessageQueueTest, PeekWithoutRemovalLeavesTheMessage)
{
    PostMessage(TopWnd, WM_TEST, 7);
    TMsg m;
    ASSERT_TRUE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    EXPECT_EQ(m.WParam, 7u);
    ASSERT_TRUE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    EXPECT_EQ(m.WParam, 7u);
    ProcessMessages();
    EXPECT_EQ(TestParams(), (std::vector<WPARAM>{7}));
}

TEST_F(MessageQueueTest, LaterPeekFindsAndRemovesThePostedMessage)
{
    PostMessage(TopWnd, WM_OTHER);
    PostMessage(TopWnd, WM_TEST, 5);
    TMsg m;
    ASSERT_TRUE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_REMOVE));
    EXPECT_EQ(m.Message, WM_TEST);
    EXPECT_FALSE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    ProcessMessages();
    // The removed message is never dispatched; the other one still is.
    EXPECT_TRUE(TestParams().empty());
    EXPECT_EQ(Only(Log, {WM_OTHER}).size(), 1u);
}

TEST_F(MessageQueueTest, PeekFiltersByWindowIncludingDescendants)
{
    PostMessage(ChildWnd, WM_TEST, 1);
    TMsg m;
    EXPECT_TRUE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessage(m, ChildWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    TTestWindow other(Log);
    HWND otherWnd = CreateTopLevel(other);
    EXPECT_FALSE(PeekMessage(m, otherWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessage(m, TopWnd, WM_OTHER, WM_OTHER, PM_NOREMOVE));
}

TEST_F(MessageQueueTest, FilteredPeekTakesNoPaintOrTimer)
{
    InvalidateRect(TopWnd, nullptr);
    SetTimer(TopWnd, 1, 10);
    Session.Backend().AdvanceTime(20);
    TMsg m;
    EXPECT_FALSE(PeekMessage(m, TopWnd, WM_TEST, WM_TEST, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(m, TopWnd, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(m.Message, WM_PAINT);
}

TEST_F(MessageQueueTest, PostingToADestroyedWindowFailsAndItsWaitingMessagesGo)
{
    PostMessage(ChildWnd, WM_TEST, 1);
    DestroyWindow(ChildWnd);
    EXPECT_FALSE(PostMessage(ChildWnd, WM_TEST, 2));
    EXPECT_EQ(SendMessage(ChildWnd, WM_TEST, 3), 0);
    ProcessMessages();
    EXPECT_TRUE(TestParams().empty());
}

TEST_F(MessageQueueTest, MessageTimeIsThePostingTimeOfTheLastTakenMessage)
{
    PostMessage(TopWnd, WM_TEST, 1);
    const DWORD posted = GetTickCount();
    Session.Backend().AdvanceTime(250);
    DWORD seen = 0;
    Top.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_TEST) seen = GetMessageTime();
        return false;
    };
    ProcessMessages();
    EXPECT_EQ(seen, posted);
    EXPECT_NE(GetTickCount(), posted);
}

TEST_F(MessageQueueTest, PaintComesOnlyAfterPostedMessages)
{
    InvalidateRect(TopWnd, nullptr);
    PostMessage(TopWnd, WM_TEST, 1);
    ProcessMessages();
    const auto order = MessagesOf(Only(Log, {WM_TEST, WM_PAINT}));
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], WM_TEST);
    EXPECT_EQ(order[1], WM_PAINT);
}

TEST_F(MessageQueueTest, TimerFiresWhenDueUntilKilled)
{
    SetTimer(TopWnd, 9, 100);
    ProcessMessages();
    EXPECT_TRUE(Only(Log, {WM_TIMER}).empty());
    Session.Input.Wait(100);
    ASSERT_EQ(Only(Log, {WM_TIMER}).size(), 1u);
    EXPECT_EQ(Only(Log, {WM_TIMER})[0].WParam, 9u);
    Session.Input.Wait(100);
    EXPECT_EQ(Only(Log, {WM_TIMER}).size(), 2u);
    EXPECT_TRUE(KillTimer(TopWnd, 9));
    Session.Input.Wait(500);
    EXPECT_EQ(Only(Log, {WM_TIMER}).size(), 2u);
    EXPECT_FALSE(KillTimer(TopWnd, 9));
}

TEST_F(MessageQueueTest, SlowTimerHandlerDoesNotKeepThePumpRunning)
{
    int calls = 0;
    Top.OnMessage = [&](TMessage& M) {
        // Each call takes longer than the interval; a bound keeps a faulty pump from hanging.
        if (M.Msg == WM_TIMER && ++calls < 100) Session.Backend().AdvanceTime(50);
        return false;
    };
    SetTimer(TopWnd, 1, 10);
    Session.Input.Wait(10);
    EXPECT_EQ(calls, 1);
    Session.Input.Wait(0);
    EXPECT_EQ(calls, 2);
}

TEST_F(MessageQueueTest, TimerOfADestroyedWindowStops)
{
    SetTimer(ChildWnd, 1, 10);
    DestroyWindow(ChildWnd);
    Session.Input.Wait(50);
    EXPECT_TRUE(Only(Log, {WM_TIMER}).empty());
}

TEST_F(MessageQueueTest, GetMessageWaitsForTheNextTimer)
{
    SetTimer(TopWnd, 3, 1000);
    TMsg m;
    ASSERT_TRUE(GetMessage(m));
    EXPECT_EQ(m.Message, WM_TIMER);
    EXPECT_EQ(m.WParam, 3u);
}

TEST_F(MessageQueueTest, GetMessageWithNothingToComeRaisesInsteadOfHanging)
{
    TMsg m;
    EXPECT_THROW(GetMessage(m), EWindowSystemError);
}

TEST_F(MessageQueueTest, QuitEndsThePumpAndGetMessage)
{
    PostQuitMessage(3);
    TMsg m;
    EXPECT_FALSE(GetMessage(m));
    EXPECT_EQ(m.WParam, 3u);
    PostQuitMessage(4);
    ProcessMessages();
    EXPECT_TRUE(QuitReceived());
    EXPECT_EQ(QuitExitCode(), 4);
}

TEST_F(MessageQueueTest, HandlerThatNeverValidatesIsNotPaintedForever)
{
    int paints = 0;
    Top.OnMessage = [&](TMessage& M) {
        if (M.Msg != WM_PAINT) return false;
        ++paints;
        return true;
    };
    InvalidateRect(TopWnd, nullptr);
    ProcessMessages();
    EXPECT_EQ(paints, 1);
}

TEST_F(MessageQueueTest, HandlerMayDestroyItsWindowWhileHandlingAPostedMessage)
{
    Child.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_TEST) DestroyWindow(ChildWnd);
        return false;
    };
    PostMessage(ChildWnd, WM_TEST, 1);
    PostMessage(ChildWnd, WM_TEST, 2);
    ProcessMessages();
    EXPECT_EQ(TestParams(), (std::vector<WPARAM>{1}));
    EXPECT_FALSE(IsWindow(ChildWnd));
    EXPECT_EQ(Child.WindowHandle(), nullptr);
}

class TTypedWindow : public TMessageTarget {
public:
    int SizeW = -1, SizeH = -1;
    int ScrollCode = -1, ScrollPos = -1;
    UINT_PTR Timer = 0;

protected:
    void WMSize(TWMSize& M) override
    {
        SizeW = M.Width();
        SizeH = M.Height();
        TMessageTarget::WMSize(M);
    }
    void WMVScroll(TWMScroll& M) override
    {
        ScrollCode = M.ScrollCode();
        ScrollPos = M.Pos();
    }
    void WMTimer(TWMTimer& M) override { Timer = M.TimerID(); }
};

TEST(MessageDispatch, TypedHandlersReceiveTheDecodedMessage)
{
    THeadlessSession session;
    TTypedWindow w;
    TCreateParams p;
    p.Style = WS_OVERLAPPED;
    p.Bounds = {0, 0, 120, 80};
    p.Target = &w;
    HWND h = CreateWindowEx(p);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(w.WindowHandle(), h);
    EXPECT_EQ(w.SizeW, 120);
    EXPECT_EQ(w.SizeH, 80);
    SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
    EXPECT_EQ(w.ScrollCode, SB_THUMBTRACK);
    EXPECT_EQ(w.ScrollPos, 300);
    EXPECT_EQ(w.Perform(WM_TIMER, 77), 0);
    EXPECT_EQ(w.Timer, 77u);
}

TEST(MessageDispatch, DestroyingTheTargetDestroysItsWindow)
{
    THeadlessSession session;
    HWND h = nullptr;
    {
        TTypedWindow w;
        TCreateParams p;
        p.Style = WS_OVERLAPPED | WS_VISIBLE;
        p.Bounds = {0, 0, 50, 50};
        p.Target = &w;
        h = CreateWindowEx(p);
        ASSERT_TRUE(IsWindow(h));
    }
    EXPECT_FALSE(IsWindow(h));
    ProcessMessages();
}

TEST(MessageDispatch, CreateRefusedByTheHandlerGivesNoWindow)
{
    THeadlessSession session;
    TMessageLog log;
    TTestWindow w(log);
    w.OnMessage = [](TMessage& M) {
        if (M.Msg != WM_CREATE) return false;
        M.Result = -1;
        return true;
    };
    EXPECT_EQ(CreateTopLevel(w), nullptr);
    EXPECT_EQ(w.WindowHandle(), nullptr);
    EXPECT_TRUE(GetTopLevelWindows().empty());
}

TEST(MessageDispatch, OneTargetTakesOneWindow)
{
    THeadlessSession session;
    TMessageLog log;
    TTestWindow w(log);
    HWND first = CreateTopLevel(w);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CreateTopLevel(w), nullptr);
    EXPECT_EQ(w.WindowHandle(), first);
}

}
