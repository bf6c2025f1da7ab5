#pragma once
// MsgBox as the programs use it: prompt, style and caption in, the VB answer
// code out. Styles are the VB numbers (buttons + icon + default button), e.g.
// 16, 21, 33, 48, 52, 64, 273. Tests install a responder that records every
// box and answers from a script instead of showing a window.

#include <QString>
#include <functional>
#include <vector>

namespace mox::platform {

enum MsgAnswer : int { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

// The default caption of a box that names none.
inline constexpr const char* kProgramTitle = "MOX2-CHART";

int MsgBox(const QString& prompt, int style = 0, const QString& caption = QString::fromUtf8(kProgramTitle));

// The answer a box gives when the user just presses Enter.
int DefaultAnswer(int style);

struct ShownBox {
    QString prompt;
    int style;
    QString caption;
};

using MsgBoxResponder = std::function<int(const ShownBox&)>;
// Installs a responder for every following box (nullptr restores real boxes).
void SetMsgBoxResponder(MsgBoxResponder responder);

// The real boxes: the widget library installs a presenter that shows a
// window (InstallWidgetMessageBoxes). With neither responder nor presenter,
// as in GUI-free programs and tests, a box is written to stderr and answered
// with DefaultAnswer(style).
using MsgBoxPresenter = std::function<int(const ShownBox&)>;
void SetMsgBoxPresenter(MsgBoxPresenter presenter);

// Parts of a style number.
inline constexpr int kMsgButtonsMask = 0x7;
inline constexpr int kMsgIconMask = 0x70;
inline constexpr int kMsgDefaultMask = 0x300;
// The answers of the buttons of a style, in the order they are shown.
std::vector<int> ButtonAnswers(int style);

// A responder for tests: records every box, answers from a queue, and gives
// the style's default answer when the queue is empty.
class ScriptedMsgBoxes {
public:
    ScriptedMsgBoxes();
    ~ScriptedMsgBoxes();
    void Answer(int code) { answers_.push_back(code); }
    const std::vector<ShownBox>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

    ScriptedMsgBoxes(const ScriptedMsgBoxes&) = delete;
    ScriptedMsgBoxes& operator=(const ScriptedMsgBoxes&) = delete;

private:
    std::vector<ShownBox> shown_;
    std::vector<int> answers_;
    MsgBoxResponder previous_;
};

}  // namespace mox::platform
