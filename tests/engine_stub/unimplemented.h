// Bases that answer E_NOTIMPL for every method of the large platform interfaces the stand-in
// implements only in part (written out from the method lists of exdisp.h and mshtml.h). The
// engine and document classes override what they support.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

namespace stub::detail {

class NotImplWebBrowser2 : public IWebBrowser2 {
public:
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR /*URL*/, VARIANT* /*Flags*/,
                                       VARIANT* /*TargetFrameName*/, VARIANT* /*PostData*/,
                                       VARIANT* /*Headers*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* /*Level*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** /*ppDisp*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** /*ppDisp*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch** /*ppDisp*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** /*ppDisp*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* /*pBool*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR* /*Type*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Left(LONG* /*pl*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Left(LONG /*Left*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Top(LONG* /*pl*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Top(LONG /*Top*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* /*pl*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Width(LONG /*Width*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* /*pl*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Height(LONG /*Height*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* /*LocationName*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* /*LocationURL*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* /*pBool*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int* /*pcx*/, int* /*pcy*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR /*Property*/, VARIANT /*vtValue*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR /*Property*/, VARIANT* /*pvtValue*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* /*Name*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* /*pHWND*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR* /*FullName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* /*Path*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* /*pBool*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* /*pBool*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* /*StatusText*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR /*StatusText*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int* /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* /*pbFullScreen*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL /*bFullScreen*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* /*URL*/, VARIANT* /*Flags*/,
                                        VARIANT* /*TargetFrameName*/, VARIANT* /*PostData*/,
                                        VARIANT* /*Headers*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID /*cmdID*/, OLECMDF* /*pcmdf*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID /*cmdID*/, OLECMDEXECOPT /*cmdexecopt*/,
                                     VARIANT* /*pvaIn*/, VARIANT* /*pvaOut*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* /*pvaClsid*/, VARIANT* /*pvarShow*/,
                                             VARIANT* /*pvarSize*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* /*plReadyState*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* /*pbOffline*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL /*bOffline*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* /*pbSilent*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL /*bSilent*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* /*pbRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL /*bRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* /*pbRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL /*bRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* /*pbRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL /*bRegister*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* /*Value*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL /*Value*/) override { return E_NOTIMPL; }
};

class NotImplHTMLDocument2 : public IHTMLDocument2 {
public:
    HRESULT STDMETHODCALLTYPE get_Script(IDispatch** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_activeElement(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_images(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_applets(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_links(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_forms(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_anchors(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_title(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_title(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_scripts(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_designMode(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_designMode(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_readyState(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_embeds(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_plugins(IHTMLElementCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_alinkColor(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_alinkColor(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_bgColor(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_bgColor(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_fgColor(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fgColor(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_linkColor(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_linkColor(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_vlinkColor(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_vlinkColor(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_referrer(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_lastModified(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_URL(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_domain(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_domain(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_cookie(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_cookie(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_expando(VARIANT_BOOL /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_expando(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_charset(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_charset(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_defaultCharset(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_defaultCharset(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_mimeType(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileSize(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileCreatedDate(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileModifiedDate(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileUpdatedDate(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_security(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_protocol(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_nameProp(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE write(SAFEARRAY* /*psarray*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE writeln(SAFEARRAY* /*psarray*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE open(BSTR /*url*/, VARIANT /*name*/, VARIANT /*features*/,
                                   VARIANT /*replace*/, IDispatch** /*pomWindowResult*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE queryCommandSupported(BSTR /*cmdID*/,
                                                    VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandEnabled(BSTR /*cmdID*/,
                                                  VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandState(BSTR /*cmdID*/, VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandIndeterm(BSTR /*cmdID*/,
                                                   VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandText(BSTR /*cmdID*/, BSTR* /*pcmdText*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandValue(BSTR /*cmdID*/, VARIANT* /*pcmdValue*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE execCommand(BSTR /*cmdID*/, VARIANT_BOOL /*showUI*/,
                                          VARIANT /*value*/, VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE execCommandShowHelp(BSTR /*cmdID*/,
                                                  VARIANT_BOOL* /*pfRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE createElement(BSTR /*eTag*/, IHTMLElement** /*newElem*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onclick(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onclick(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondblclick(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondblclick(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeyup(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeydown(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeydown(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeypress(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeypress(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseup(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseup(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousedown(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousemove(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousemove(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseout(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseout(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseover(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseover(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onreadystatechange(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onreadystatechange(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onafterupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onafterupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowexit(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowexit(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowenter(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowenter(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondragstart(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondragstart(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onselectstart(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onselectstart(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE elementFromPoint(LONG /*x*/, LONG /*y*/,
                                               IHTMLElement** /*elementHit*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_styleSheets(IHTMLStyleSheetsCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_onbeforeupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onbeforeupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onerrorupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onerrorupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE toString(BSTR* /*String*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE createStyleSheet(BSTR /*bstrHref*/, LONG /*lIndex*/,
                                               IHTMLStyleSheet** /*ppnewStyleSheet*/) override {
        return E_NOTIMPL;
    }
};

class NotImplHTMLElement : public IHTMLElement {
public:
    HRESULT STDMETHODCALLTYPE setAttribute(BSTR /*strAttributeName*/, VARIANT /*AttributeValue*/,
                                           LONG /*lFlags*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE getAttribute(BSTR /*strAttributeName*/, LONG /*lFlags*/,
                                           VARIANT* /*AttributeValue*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE removeAttribute(BSTR /*strAttributeName*/, LONG /*lFlags*/,
                                              VARIANT_BOOL* /*pfSuccess*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_className(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_className(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_id(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_id(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_parentElement(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_style(IHTMLStyle** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onclick(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onclick(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondblclick(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondblclick(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeydown(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeydown(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeyup(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeypress(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeypress(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseout(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseout(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseover(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseover(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousemove(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousemove(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousedown(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseup(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseup(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_document(IDispatch** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_title(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_title(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_language(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_language(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onselectstart(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onselectstart(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scrollIntoView(VARIANT /*varargStart*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE contains(IHTMLElement* /*pChild*/,
                                       VARIANT_BOOL* /*pfResult*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_sourceIndex(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_recordNumber(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_lang(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_lang(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetParent(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_innerHTML(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_innerHTML(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_innerText(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_innerText(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_outerHTML(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_outerText(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_outerText(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE insertAdjacentHTML(BSTR /*where*/, BSTR /*html*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE insertAdjacentText(BSTR /*where*/, BSTR /*text*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_parentTextEdit(IHTMLElement** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_isTextEdit(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE click() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_filters(IHTMLFiltersCollection** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_ondragstart(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondragstart(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE toString(BSTR* /*String*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onbeforeupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onbeforeupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onafterupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onafterupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onerrorupdate(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onerrorupdate(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowexit(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowexit(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowenter(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowenter(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondatasetchanged(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondatasetchanged(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondataavailable(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondataavailable(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondatasetcomplete(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondatasetcomplete(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onfilterchange(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onfilterchange(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_children(IDispatch** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_all(IDispatch** /*p*/) override { return E_NOTIMPL; }
};

} // namespace stub::detail
