// A program directory of its own, fake desktop seams and a main window built on them.
#pragma once

#include "core/ioerror.h"
#include "core/records.h"
#include "mainwindow/zuzovi2.h"
#include "platform/cpedit.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "support/tempdir.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

class MainWindowTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeServices fakes;
    std::unique_ptr<TForm1> window;

    QString programDir() const { return QString::fromStdString(dir.path().string() + "/"); }
    std::filesystem::path personsFile() const { return dir / "persona1.dat"; }
    std::filesystem::path companiesFile() const { return dir / "empresa1.dat"; }
    std::filesystem::path iniFile() const { return dir / "inicio.ini"; }

    // A start after the first one: the key exists, the marker is down, nothing runs.
    void notFirstRun() {
        fakes.instance.exists = true;
        fakes.instance.values = {{"ifttyuag", 0}, {"isruning", 0}};
    }
    void writeIni(const std::string& text) { writeBytes(iniFile(), text); }
    void writePersons(const std::vector<core::Record>& records) {
        writeBytes(personsFile(), bytesOf(records));
    }
    void writeCompanies(const std::vector<core::Record>& records) {
        writeBytes(companiesFile(), bytesOf(records));
    }
    // Both files present, not a first run.
    void ordinaryStart(const std::vector<core::Record>& persons,
                       const std::vector<core::Record>& companies = {}) {
        notFirstRun();
        writePersons(persons);
        writeCompanies(companies);
    }
    // Tests that start twice call notFirstRun() in between, as if the first one had closed.
    TForm1& start() {
        window.reset();
        window = std::make_unique<TForm1>(fakes.services(), programDir());
        return *window;
    }
    QString field(int slot) const { return window->displayedTexts()[slot]; }
};

} // namespace testsupport
