#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "services/UserPort.h"

namespace qv::prueba {

// Answers the run without a window and records what it was asked.
class FakePort : public UserPort {
public:
    std::optional<std::filesystem::path> archivo;  // what the file dialog returns
    std::function<void()> alCompletarProfesores;   // what the teacher dialog does
    std::string plantilla;

    std::vector<std::string> mensajes;
    std::vector<bool> cursores;
    int dialogosProfesores = 0;
    int cierres = 0;
    bool cursorDuranteDialogo = false;

    bool cursorDeEspera() const { return !cursores.empty() && cursores.back(); }

    std::optional<std::filesystem::path> chooseExchangeDocument() override { return archivo; }
    void showMessage(const std::string& text) override { mensajes.push_back(text); }
    void setWaitCursor(bool on) override { cursores.push_back(on); }
    std::string chooseHourTemplate(const std::filesystem::path&) override { return plantilla; }
    void completeTeacherData() override {
        ++dialogosProfesores;
        cursorDuranteDialogo = cursorDeEspera();
        if (alCompletarProfesores) {
            alCompletarProfesores();
        }
    }
    void closeMainWindow() override { ++cierres; }
};

}  // namespace qv::prueba
