// The wizard sheet: sizes the page area to the 448 x 310 page pictures, paints them, and offers
// the button operations every page uses. Its seven pages are members of the wizard the pages
// folder derives from it (pages/SignPages.h), which the application object is given to run.
#pragma once

#include <array>

#include "ui/framework.h"

class CSignStart : public ui::PropertySheet {
 public:
  // The pages by their index in wizard order.
  enum Page : int {
    kStartPage,
    kTermsPage,
    kUserPage,
    kConfirmPage,
    kCommunicationIdPage,
    kCommunicationInfoPage,
    kCompletionPage,
    kPageCount
  };

  explicit CSignStart(ui::Window* parent);

  // Adds the seven pages in wizard order, sets wizard mode and makes page 0 the start page.
  void AddWizardPages();
  // Copies the stored user information into the fields of the pages that show it.
  virtual void CopyUserInfoToPages() = 0;

  void SetStandardButtons();
  void SetAgreeButtons();
  void SetYesNoButtons();
  void EnableButton(int id, bool enable);
  void DisableButton(int id);
  void ShowButton(int id, bool show);
  void EnableBackNext(bool enable);
  // Copies the whole bitmap to (0,0) of the paint context.
  void DrawPageBitmap(ui::Bitmap& bitmap, ui::DeviceContext* device);

  bool OnInitDialog() override;
  bool OnCommand(UINT code, int id) override;
  void OnSelChange() override;
  void OnInitMenuPopup(ui::SystemMenu& menu, UINT index, bool isSystemMenu) override;
  std::optional<COLORREF> OnCtlColor(ui::Control*) override { return backgroundBrush_; }

  const ui::Rect& GetPageRect() const { return pageRect_; }

  ui::Bitmap sheetBitmap;

 protected:
  // The seven pages in wizard order.
  virtual std::array<ui::PropertyPage*, kPageCount> WizardPages() = 0;

 private:
  bool IsPage(const ui::Window* window);
  void SetButtonText(int id, UINT stringId);
  ui::Rect pageRect_;
  std::optional<COLORREF> backgroundBrush_;
  bool iconLoaded_ = false;
};
