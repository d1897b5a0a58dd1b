// The wizard sheet: owns the seven pages, sizes the page area to the 448 x 310 page pictures,
// paints them, and offers the button operations every page uses.
#pragma once

#include "pages/SignPages.h"
#include "ui/framework.h"

class CSignStart : public ui::PropertySheet {
 public:
  CSignStart(bool addPages, ui::Window* parent);

  void AddWizardPages();
  void CopyUserInfoToPages();

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
  void OnInitMenuPopup(ui::SystemMenu& menu, UINT index, bool isSystemMenu) override;
  std::optional<COLORREF> OnCtlColor(ui::Control*) override { return backgroundBrush_; }

  const ui::Rect& pageRect() const { return pageRect_; }

  ui::Bitmap sheetBitmap;
  CSignStep1Top page1;
  CSignStep2Agree page2;
  CSignStep3User page3;
  CSignStep4User page4;
  CSignStep5Rest page5;
  CSignStep6Rest page6;
  CSignStep7End page7;

 private:
  bool IsPage(const ui::Window* window) const;
  void SetButtonText(int id, UINT stringId);
  ui::Rect pageRect_;
  std::optional<COLORREF> backgroundBrush_;
  bool iconLoaded_ = false;
};
