#include "wire/codec.h"
#include "host/services/scriptedui.h"

#include <gtest/gtest.h>

using namespace vnd;

namespace
{

TEST(Guard, EndsEveryFailureQuietlyOrWithItsMessage)
{
    struct Case {
        const char *label;
        std::function<void()> body;
        bool completes;
        QStringList shown;
    };
    const Case cases[] = {
        {"completes", [] {}, true, {}},
        {"silent abort", [] { throw SilentAbort{}; }, false, {}},
        {"MensErro shows once", [] { MensErro("Hora inválida."); }, false, {"Hora inválida."}},
        {"error", [] { throw Error("Filial não cadastrada."); }, false, {"Filial não cadastrada."}},
        {"decode error",
         [] { throw data::DecodeError("Dados recebidos inválidos."); },
         false,
         {"Dados recebidos inválidos."}},
        {"std exception", [] { throw std::runtime_error("falhou"); }, false, {"falhou"}},
        {"unknown",
         [] { throw 42; },
         false,
         {"Ocorreu um erro inesperado. A operação não foi concluída."}},
        {"nested guard keeps the outer one going",
         [] { guarded([] { throw Error("interno"); }); },
         true,
         {"interno"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedUi ui;
        bool completed = false;
        EXPECT_NO_THROW(completed = guarded(c.body));
        EXPECT_EQ(completed, c.completes);
        EXPECT_EQ(ui.errors(), c.shown);
    }
}

TEST(Guard, ExceptionFromTheMessagePortDoesNotEscape)
{
    class ThrowingUi final : public UserInterface
    {
    public:
        void showError(const QString &) override { throw std::runtime_error("port"); }
        void showInfo(const QString &) override {}
        int ask(const QString &, int, int) override { return mrNo; }
    } throwing;
    setUserInterface(&throwing);
    EXPECT_NO_THROW(EXPECT_FALSE(guarded([] { throw Error("x"); })));
    setUserInterface(nullptr);
}

TEST(CheckResultServ, YieldsThePacketOrStopsWithTheServerMessage)
{
    data::DataPacket packet;
    packet.fields = {{"CDTABEPREC", data::FieldType::String, 3}};
    packet.rows.push_back({QString("001")});
    data::Reply ok;
    ok.ok = true;
    ok.result = data::Value(packet);
    data::Reply okNoPacket;
    okNoPacket.ok = true;
    okNoPacket.result = data::Value("texto");
    data::Reply failed;
    failed.errorCode = "rule";
    failed.errorMessage = "Período sobreposto.";
    data::Reply failedSilently;
    failedSilently.errorCode = "internal";

    ScriptedUi ui;
    EXPECT_EQ(CheckResultServ(ok), packet);
    EXPECT_TRUE(CheckResultServ(okNoPacket).fields.isEmpty());
    try {
        CheckResultServ(failed);
        ADD_FAILURE() << "accepted a failed reply";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Período sobreposto.");
    }
    EXPECT_TRUE(ui.errors().isEmpty()) << "with abort the guard shows it, not CheckResultServ";
    EXPECT_THROW(CheckResultServ(failedSilently), Error);

    EXPECT_TRUE(CheckResultServ(failed, false).rows.empty());
    EXPECT_EQ(ui.errors(), QStringList{"Período sobreposto."});
}

TEST(ScriptedUi, AnswersInOrderAndReportsTheUnexpected)
{
    UserInterface *before = &userInterface();
    {
        ScriptedUi ui;
        EXPECT_EQ(&userInterface(), &ui);
        ui.queueAnswers({mrYes, mrNo});
        EXPECT_EQ(ShowMsg("Excluir?", mtConfirmation, mbYesNo, 0), mrYes);
        ShowInfo("Feito.");
        EXPECT_EQ(ShowMsg("Cancelar?", mtConfirmation, mbYesNo), mrNo);
        EXPECT_TRUE(ui.clean());
        EXPECT_EQ(ShowMsg("Outra?", mtConfirmation, mbYesNo), mrNo) << "unexpected is a No";
        EXPECT_FALSE(ui.clean());
        EXPECT_EQ(ui.unexpectedQuestions(), QStringList{"Outra?"});
        EXPECT_EQ(ui.questions(), QStringList({"Excluir?", "Cancelar?", "Outra?"}));
        ASSERT_EQ(ui.events().size(), 4);
        EXPECT_EQ(ui.events()[1].kind, ScriptedUi::Kind::Info);
        EXPECT_EQ(ui.events()[0].buttons, int(mbYesNo));
        ui.clear();
        ui.queueAnswer(mrYes);
        EXPECT_FALSE(ui.clean()) << "an unused answer is a test fault too";
        ui.clear();
    }
    EXPECT_EQ(&userInterface(), before) << "the previous port is back";
}

} // namespace
