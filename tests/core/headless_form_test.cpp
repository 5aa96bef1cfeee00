#include "core/headless_form.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(HeadlessForm, StartsWithTheDesignValues) {
    HeadlessForm form;
    EXPECT_EQ(form.itemCount("clbHorarios"), 24);
    EXPECT_EQ(form.itemText("clbHorarios", 23), "23:00");
    EXPECT_EQ(form.itemText("clbSemana", 0), "Sunday");
    EXPECT_EQ(form.text("EdSMTPPort"), "") << "a design sample is no value";
    EXPECT_EQ(form.text("LedFTPPort"), "");
    EXPECT_EQ(findControlDesign("EdSMTPPort")->placeholder, "587");
    EXPECT_EQ(findControlDesign("LedFTPPort")->placeholder, "25");
    EXPECT_EQ(form.text("ValidateBufferEdit"), "32000");
    EXPECT_EQ(form.itemIndex("CBCompMetho"), 0);
    EXPECT_FALSE(form.enabled("CBCompMetho"));
    EXPECT_FALSE(form.enabled("LogFileEdit"));
    EXPECT_FALSE(form.visible("LbInfo"));
    EXPECT_TRUE(form.enabled("AppLaunch"));
    EXPECT_EQ(form.itemIndex("clListaBackup"), -1);
    EXPECT_THROW(form.text("NoSuchControl"), std::logic_error);
}

TEST(HeadlessForm, HandlersRunOnlyWhenTheStateChanges) {
    HeadlessForm form;
    int clicks = 0, changes = 0;
    form.onClick("ChkBoxCompress", [&] { ++clicks; });
    form.onChange("CB_Protocol", [&] { ++changes; });
    form.setChecked("ChkBoxCompress", false);
    form.setChecked("ChkBoxCompress", true);
    form.setChecked("ChkBoxCompress", true);
    EXPECT_EQ(clicks, 1);
    form.setText("CB_Protocol", "LOCAL");
    form.setText("CB_Protocol", "LOCAL");
    EXPECT_EQ(changes, 1);
}

TEST(HeadlessForm, ComboTextSelectsTheMatchingItemOnly) {
    HeadlessForm form;
    form.setText("CB_Protocol", "TCP/IP");
    EXPECT_EQ(form.itemIndex("CB_Protocol"), 1);
    form.setText("CB_Protocol", "tcp/ip");
    EXPECT_EQ(form.itemIndex("CB_Protocol"), -1);
    form.setItemIndex("CBCompMetho", 1);
    EXPECT_EQ(form.text("CBCompMetho"), "Bzip2");
}

TEST(HeadlessForm, UserNameIsUpperCaseAndFocusNeedsTheActivePage) {
    HeadlessForm form;
    form.setText("EdUserName", "sysdba");
    EXPECT_EQ(form.text("EdUserName"), "SYSDBA");
    EXPECT_TRUE(form.setFocus("CB_Protocol"));
    form.setActivePage(static_cast<int>(Page::Monitor));
    EXPECT_FALSE(form.setFocus("CB_Protocol"));
    EXPECT_FALSE(form.setFocus("CBCompMetho")) << "disabled";
}

} // namespace
} // namespace tervolen
