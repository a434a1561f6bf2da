#include "host/widgets/guiuserinterface.h"

#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vnd::widgets
{

namespace
{

QMessageBox::Icon iconOf(int type)
{
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::Information;
    }
}

// A message box whose buttons carry Portuguese captions whatever translations are loaded.
int runBox(const QString &text, QMessageBox::Icon icon, int buttons)
{
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::NoButton, dialogParent());
    box.setTextFormat(Qt::PlainText);
    struct Choice {
        QPushButton *button;
        int result;
    };
    QList<Choice> choices;
    auto add = [&](const QString &caption, QMessageBox::ButtonRole role, int result) {
        choices.append({box.addButton(caption, role), result});
    };
    switch (buttons) {
    case mbYesNo:
        add(QStringLiteral("&Sim"), QMessageBox::YesRole, mrYes);
        add(QStringLiteral("&Não"), QMessageBox::NoRole, mrNo);
        box.setDefaultButton(choices[0].button);
        box.setEscapeButton(choices[1].button);
        break;
    case mbOKCancel:
        add(QStringLiteral("OK"), QMessageBox::AcceptRole, mrOk);
        add(QStringLiteral("Cancelar"), QMessageBox::RejectRole, mrCancel);
        box.setDefaultButton(choices[0].button);
        box.setEscapeButton(choices[1].button);
        break;
    default:
        add(QStringLiteral("OK"), QMessageBox::AcceptRole, mrOk);
        box.setEscapeButton(choices[0].button);
        break;
    }
    runDialog(box);
    for (const Choice &c : choices)
        if (box.clickedButton() == c.button)
            return c.result;
    // Closed without a button: the safe answer.
    return buttons == mbYesNo ? mrNo : buttons == mbOKCancel ? mrCancel : mrOk;
}

} // namespace

QString applicationTitle()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Retaguarda") : name;
}

void GuiUserInterface::showError(const QString &text)
{
    runBox(text, QMessageBox::Critical, mbOK);
}

void GuiUserInterface::showInfo(const QString &text)
{
    runBox(text, QMessageBox::Information, mbOK);
}

int GuiUserInterface::ask(const QString &text, int type, int buttons)
{
    return runBox(text, iconOf(type), buttons);
}

void installGuiUserInterface()
{
    static GuiUserInterface ui;
    setUserInterface(&ui);
}

} // namespace vnd::widgets
