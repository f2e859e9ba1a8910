// What the zip component asks of a user interface: notices, questions, a
// password, and a progress window. The defaults answer without a window
// (keep existing files, skip damaged or locked ones, carry on with the rest),
// so the component works unattended; src/skins/ui/ has the windowed one.
#pragma once

#include <QString>

namespace vx {

class ZipPrompter {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~ZipPrompter() = default;

    virtual void showMessage(const QString& /*text*/) {}
    virtual Answer askYesNoCancel(const QString& /*text*/, bool /*noIsDefault*/) { return Answer::No; }
    virtual bool askYesNo(const QString& /*text*/) { return true; }
    // An empty answer means none was given.
    virtual QString askPassword(const QString& /*question*/) { return {}; }
    // Lets pending window messages run.
    virtual void processEvents() {}

    // The progress window.
    virtual void progressShow() {}
    virtual void progressHide() {}
    virtual void progressClose() {}
    virtual void progressSetFile(const QString& /*name*/) {}
    virtual void progressSetMaximum(int /*maximum*/) {}
    virtual void progressSetValue(int /*value*/) {}
};

}  // namespace vx
