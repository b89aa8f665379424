// The expression builder dialog, clicked through with QTest.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include "import/ImportColumns.h"
#include "import/ImportWizard.h"
#include "import/forms/ExpressionBuilderForm.h"
#include "platform/gui/QtStrings.h"
#include "tests/db/TestDataSet.h"
#include "tests/import_forms/dialog_fixture.h"

namespace {

struct BuilderFixture {
  TSMIWizardDlg Wizard;
  TTestDataSet Orders;
  TWideStrings Fields;
  BuilderFixture() {
    UseDialogFont();
    Orders.SetName(u"Orders");
    Orders.FieldDefs().Add(u"CUST_NO", ftString, 10);
    Orders.FieldDefs().Add(u"ID", ftInteger);
    Orders.Open();
    Orders.FieldByName(u"CUST_NO")->SetDisplayLabel(u"Customer");
    Wizard.SetDataSet(&Orders);
    Wizard.SetUseDisplayNames(true);
    TSMIParameter* rate = Wizard.Parameters().Add();
    rate->SetName(u"RATE");
    rate->Caption = u"Exchange rate";
    Fields.Add(u"Name");
    Fields.Add(u"City");
  }
};

void CaretToEnd(QPlainTextEdit& memo) {
  QTextCursor cursor = memo.textCursor();
  cursor.movePosition(QTextCursor::End);
  memo.setTextCursor(cursor);
}

}  // namespace

TEST(ExpressionBuilderForm, PickItemsValidateAndConfirm) {
  BuilderFixture f;
  MessageRecorder messages;
  bool acted = false;
  OnModal<TfrmVODExpBuilder>([&](TfrmVODExpBuilder& form) {
    acted = true;
    EXPECT_EQ(form.windowTitle(), "Expression Builder");
    EXPECT_EQ(form.minimumSize(), QSize(400, 370));
    EXPECT_EQ(form.btnOk->text(), "&OK");
    EXPECT_EQ(form.btnCancel->text(), "&Cancel");
    EXPECT_EQ(form.btnValidate->text(), "&Validate");
    // The dataset field shows by its display name.
    EXPECT_EQ(form.memExpression->toPlainText(), "[Orders.\"Customer\"] + 1");
    EXPECT_EQ(form.lbCategories->count(), 5);
    EXPECT_EQ(form.lbSubCategories->count(), 2);
    EXPECT_EQ(form.lbItems->item(0)->text(), "City");

    ClickRow(*form.lbCategories, "Functions");
    ClickRow(*form.lbSubCategories, "Math");
    ClickRow(*form.lbItems, "ABS(number)");
    EXPECT_EQ(form.lblTemplate->text(), "Abs(number)");
    EXPECT_EQ(form.lblHelp->text(), "returns the absolute value of the argument");
    EXPECT_TRUE(SavePicture(form, "expression_builder.png"));
    CaretToEnd(*form.memExpression);
    ClickRow(*form.lbItems, "ABS(number)", true);
    EXPECT_EQ(form.memExpression->toPlainText(), "[Orders.\"Customer\"] + 1 ABS(number) ");

    // Operators, dataset fields and a second line.
    for (QPushButton* button : form.OperatorButtons)
      if (button->text() == " AND ") QTest::mouseClick(button, Qt::LeftButton);
    ClickRow(*form.lbCategories, "Data sources");
    ClickRow(*form.lbSubCategories, "Orders");
    CaretToEnd(*form.memExpression);
    form.memExpression->insertPlainText("\n");
    ClickRow(*form.lbItems, "Customer", true);
    EXPECT_EQ(form.memExpression->toPlainText(),
              "[Orders.\"Customer\"] + 1 ABS(number)  AND \n[Orders.\"Customer\"]");

    // Validate: the parser's fault, then a valid expression.
    QTest::mouseClick(form.btnValidate, Qt::LeftButton);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Kind, TMessageKind::Error);
    form.memExpression->setPlainText("ABS(-2) +\n[Orders.\"Customer\"]");
    QTest::mouseClick(form.btnValidate, Qt::LeftButton);
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[1].Kind, TMessageKind::Information);
    EXPECT_EQ(messages.Shown[1].Text, u"Expression is valid and no error is found.");

    // Variables carry the parameters.
    ClickRow(*form.lbCategories, "Variables list");
    ClickRow(*form.lbSubCategories, "Custom variables");
    EXPECT_EQ(form.lbItems->item(0)->text(), "RATE");
    EXPECT_EQ(form.lblTemplate->text(), "Exchange rate");

    // At its smallest the panel keeps every control inside the dialog.
    form.resize(form.minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(form.btnCancel->geometry().right() + 1, form.pnlBottom->width() - 10);
    EXPECT_EQ(form.btnOk->geometry().right() + 1, form.btnCancel->x() - 5);
    EXPECT_GT(form.memExpression->height(), 60);
    for (QWidget* child : form.pnlBottom->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(form.pnlBottom->rect().contains(child->geometry())) << child->metaObject()->className();
    EXPECT_TRUE(SavePicture(form, "expression_builder_small.png"));
    QTest::mouseClick(form.btnOk, Qt::LeftButton);
  });
  String expression = u"[Orders.CUST_NO] + 1";
  EXPECT_TRUE(ExecuteExpressionBuilder(nullptr, f.Wizard, f.Fields, expression));
  EXPECT_TRUE(acted);
  // The line break is gone without a blank, the field has its name again.
  EXPECT_EQ(expression, u"ABS(-2) +[Orders.CUST_NO]");
}

TEST(ExpressionBuilderForm, CancelLeavesTheExpression) {
  BuilderFixture f;
  for (int key : {0, 1}) {
    OnModal<TfrmVODExpBuilder>([key](TfrmVODExpBuilder& form) {
      form.memExpression->setPlainText("changed");
      if (key == 0)
        QTest::mouseClick(form.btnCancel, Qt::LeftButton);
      else
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    String expression = u"UPPER(Name)";
    EXPECT_FALSE(ExecuteExpressionBuilder(nullptr, f.Wizard, f.Fields, expression));
    EXPECT_EQ(expression, u"UPPER(Name)");
  }
}
