#pragma once
// A fresh main window for each test, with what it would show in message boxes captured.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "ui/Application.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kova::Application->OnShowMessage = [this](const std::string& m) { messages.push_back(m); };
        kova::Application->OnShowException = [this](const std::string& m) { errors.push_back(m); };
        kova::Application->OnBeep = [this] { ++beeps; };
        form = new kova::TForm1(kova::Application);
    }

    void TearDown() override
    {
        delete form;
        kova::Form1 = nullptr;
        kova::Application->OnShowMessage = nullptr;
        kova::Application->OnShowException = nullptr;
        kova::Application->OnBeep = nullptr;
    }

    kova::TForm1* form = nullptr;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    int beeps = 0;
};
