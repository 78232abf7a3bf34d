// The message-box hook that answers the plugin's boxes in the other tests: it must see real boxes
// under the test display, read their facts correctly, and click the button asked for.
#include <gtest/gtest.h>

#include "support/msgbox_hook.h"

using namespace tftest;

TEST(MessageBoxHook, ReadsAndAnswersRealBoxes) {
    MessageBoxHook hook(IDNO);
    ASSERT_TRUE(hook.installed());
    EXPECT_EQ(MessageBoxW(nullptr, L"Delete 3 files?", L"Tallyfold", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Broken range", "Tallyfold", MB_ICONERROR), IDOK);
    ASSERT_EQ(hook.seen().size(), 2u);

    const SeenMessageBox& ask = hook.seen()[0];
    EXPECT_EQ(ask.caption, L"Tallyfold");
    EXPECT_EQ(ask.text, L"Delete 3 files?");
    EXPECT_EQ(ask.buttons, (std::vector<int>{IDYES, IDNO})) << Describe(ask);
    EXPECT_EQ(ask.defaultButton, IDNO);
    EXPECT_EQ(ask.icon, MB_ICONWARNING);
    EXPECT_EQ(ask.answered, IDNO);

    // Asked for No, the box has OK only: the hook falls back to the default button.
    const SeenMessageBox& error = hook.seen()[1];
    EXPECT_EQ(error.text, L"Broken range");
    EXPECT_TRUE(IsErrorWithOkOnly(error)) << Describe(error);
    EXPECT_EQ(error.answered, IDOK);
}

TEST(MessageBoxHook, InnerGuardAnswersWhileItLives) {
    MessageBoxHook outer(IDCANCEL);
    {
        MessageBoxHook inner(IDOK);
        EXPECT_EQ(MessageBoxW(nullptr, L"one", L"t", MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION), IDOK);
        ASSERT_EQ(inner.seen().size(), 1u);
        EXPECT_EQ(inner.seen()[0].icon, MB_ICONQUESTION);
        EXPECT_EQ(inner.seen()[0].defaultButton, IDCANCEL);
    }
    EXPECT_EQ(MessageBoxW(nullptr, L"two", L"t", MB_OKCANCEL | MB_ICONINFORMATION), IDCANCEL);
    ASSERT_EQ(outer.seen().size(), 1u);
    EXPECT_EQ(outer.seen()[0].text, L"two");
    EXPECT_EQ(outer.seen()[0].icon, MB_ICONINFORMATION);
}
