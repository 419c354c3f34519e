// Message boxes: default answers, the answer queue, the log.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/ui.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

TEST(MessageBox, DefaultAnswerIsTheStylesDefaultButton) {
    struct Row {
        UINT style;
        int answer;
    };
    const Row rows[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_ABORTRETRYIGNORE, IDABORT},
        {MB_YESNOCANCEL, IDYES},
        {MB_YESNO | MB_ICONWARNING, IDYES},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_CANCELTRYCONTINUE, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON3, IDOK},        // past the buttons: the first
        {MB_OK | MB_HELP | MB_DEFBUTTON2, IDOK},    // Help never closes the box
    };
    for (const Row& r : rows) EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", r.style), r.answer) << std::hex << r.style;
    EXPECT_EQ(winsim::messageBoxLog().size(), std::size(rows));

    EXPECT_FAILS_WITH(MessageBoxW(nullptr, u"t", u"c", 0x7), 0, ERROR_INVALID_MSGBOX_STYLE);
    EXPECT_EQ(winsim::messageBoxLog().size(), std::size(rows));
}

TEST(MessageBox, QueuedAnswersComeFirstInOrderAndEveryRequestIsLogged) {
    winsim::TempMachine m;
    winsim::queueMessageBoxAnswer(IDNO);
    winsim::queueMessageBoxAnswer(IDCANCEL);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(MessageBoxW(owner, u"Delete the preset?", u"Printer", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Caf\xE9", nullptr, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(winsim::pendingMessageBoxAnswers(), 0u);
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, u"x", MB_RETRYCANCEL), IDRETRY);
    auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].owner, owner);
    EXPECT_EQ(log[0].text, u"Delete the preset?");
    EXPECT_EQ(log[0].caption, u"Printer");
    EXPECT_EQ(log[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(log[0].answer, IDNO);
    EXPECT_EQ(log[1].text, u"Caf\u00E9");  // from the ANSI code page
    EXPECT_EQ(log[1].caption, u"Error");   // the caption of a box without one
    EXPECT_EQ(log[2].text, u"");
    winsim::clearMessageBoxes();
    EXPECT_TRUE(winsim::messageBoxLog().empty());
}

TEST(MessageBox, HandlerAnswersWhenTheQueueIsEmptyAndFaultsFail) {
    int asked = 0;
    winsim::setMessageBoxHandler([&](const winsim::MessageBoxRequest& r) {
        ++asked;
        return r.style == MB_YESNO ? IDNO : IDOK;
    });
    winsim::queueMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"a", u"b", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"a", u"b", MB_YESNO), IDNO);
    EXPECT_EQ(asked, 1);
    winsim::setMessageBoxHandler(nullptr);
    winsim::failCall("MessageBoxW", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(MessageBoxW(nullptr, u"a", u"b", MB_OK), 0);
    EXPECT_EQ(winsim::messageBoxLog().size(), 2u);
}
