#pragma once
// Edit controls: single-line (TEdit) and multi-line (TMemo), on the system EDIT class.
#include <string>

#include "ui/Controls.h"

namespace kova {

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& params) override;
};

class TMemo;

// The memo's lines. Changes made through these members are written to the window, and
// what the user types is read back; the TStrings members that these hide would bypass
// the window, so use the lines through this type.
class TMemoLines : public TStrings {
public:
    explicit TMemoLines(TMemo* memo) : FMemo(memo) {}
    void Put(int index, const std::string& s);
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear();
    void SetText(const std::string& text);
    void Assign(TPersistent* Source) override;

private:
    void Changed();
    TMemo* FMemo;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    TMemoLines* Lines() { return &FLines; }

protected:
    void CreateParams(TCreateParams& params) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void TextChanged() override;

private:
    friend class TMemoLines;
    // Writes the lines to the window.
    void LinesChanged();

    TMemoLines FLines{this};
    bool FUpdating = false;
};

}  // namespace kova
