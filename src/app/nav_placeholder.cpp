// Temporary empty handlers until the search bar and navigation code lands.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"

void TMainForm::SpeedButton1Click() {}
void TMainForm::SpeedButton2Click() {}
void TMainForm::SpeedButton3Click() {}
void TMainForm::SpeedButton4Click() {}
void TMainForm::ComboBox1CloseUp() {}
void TMainForm::ToolButton4Click() {}

void TMDIChild::GoToAddress() {}
void TMDIChild::WebBrowser1BeforeNavigate2(host::TWebBrowser&, IDispatch*, VARIANT*, VARIANT*,
                                           VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {}
void TMDIChild::WebBrowser1NewWindow2(host::TWebBrowser&, IDispatch**, VARIANT_BOOL*) {}
