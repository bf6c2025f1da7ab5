#include "platform/message_box.h"

#include <cstdio>

namespace mox::platform {
namespace {

MsgBoxResponder& Responder() {
    static MsgBoxResponder responder;
    return responder;
}

MsgBoxPresenter& Presenter() {
    static MsgBoxPresenter presenter;
    return presenter;
}

}  // namespace

std::vector<int> ButtonAnswers(int style) {
    switch (style & kMsgButtonsMask) {
        case 1:
            return {kOk, kCancel};
        case 2:
            return {kAbort, kRetry, kIgnore};
        case 3:
            return {kYes, kNo, kCancel};
        case 4:
            return {kYes, kNo};
        case 5:
            return {kRetry, kCancel};
        default:
            return {kOk};
    }
}

int DefaultAnswer(int style) {
    const std::vector<int> answers = ButtonAnswers(style);
    const size_t index = static_cast<size_t>((style & kMsgDefaultMask) >> 8);
    // Windows falls back to the first button when the default names a button
    // the set does not have.
    return index < answers.size() ? answers[index] : answers.front();
}

int MsgBox(const QString& prompt, int style, const QString& caption) {
    const ShownBox box{prompt, style, caption.isEmpty() ? QString::fromUtf8(kProgramTitle) : caption};
    if (Responder()) return Responder()(box);
    if (Presenter()) return Presenter()(box);
    const int answer = DefaultAnswer(style);
    std::fprintf(stderr, "[MsgBox %d] %s: %s -> %d\n", style, box.caption.toUtf8().constData(),
                 box.prompt.toUtf8().constData(), answer);
    return answer;
}

void SetMsgBoxResponder(MsgBoxResponder responder) { Responder() = std::move(responder); }
void SetMsgBoxPresenter(MsgBoxPresenter presenter) { Presenter() = std::move(presenter); }

ScriptedMsgBoxes::ScriptedMsgBoxes() : previous_(Responder()) {
    SetMsgBoxResponder([this](const ShownBox& box) {
        shown_.push_back(box);
        if (answers_.empty()) return DefaultAnswer(box.style);
        const int answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    });
}

ScriptedMsgBoxes::~ScriptedMsgBoxes() { SetMsgBoxResponder(std::move(previous_)); }

}  // namespace mox::platform
