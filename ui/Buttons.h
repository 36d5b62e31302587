#pragma once
// Labels (windowless), push buttons and check boxes (the system BUTTON class).
#include "ui/Controls.h"
#include "ui/Forms.h"

namespace kova {

// A line of text in the control's font, on its parent's background; sized to the text.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    void Paint(TCanvas* canvas) override;

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    void AdjustBounds();
};

// A control of the system BUTTON class. Alt plus the letter after a single "&" in its
// caption clicks it, as the control's own Space does.
class TButtonControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool DialogKey(UINT msg, WPARAM key) override;

protected:
    // Visible and enabled on the screen.
    bool Pressable();
};

// A click sets ModalResult (unless mrNone) on the button's form, then runs OnClick.
// Enter clicks the focused button, or else the default one; Esc the cancel button.
class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* AOwner);

    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult v) { FModalResult = v; }

    bool DialogKey(UINT msg, WPARAM key) override;

protected:
    void CreateParams(TCreateParams& params) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Clicked();

    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

// Changing Checked, by the user or by the program once loaded, runs OnClick.
class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return FChecked; }
    void SetChecked(bool v);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool FChecked = false;
};

}  // namespace kova
