// The dialogs the program entry creates hidden after the main window: the
// settings, file information, rename and JPEG options windows.
#pragma once

#include <QDialog>

namespace vx {

class MainForm;
class RenameFileForm;
class ChangeQualityForm;

class ProgramDialogs {
public:
    explicit ProgramDialogs(MainForm* main);
    ~ProgramDialogs();

    QDialog* SettingsForm = nullptr;
    QDialog* InfoForm = nullptr;
    vx::RenameFileForm* RenameFileForm = nullptr;
    ChangeQualityForm* QualityForm = nullptr;
};

}  // namespace vx
