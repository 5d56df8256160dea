// Bases that answer E_NOTIMPL for every method of the window and event interfaces of
// mshtml.h (written out from their method lists); the stand-in's page window and event
// object override what they support.
#pragma once

#include <windows.h>
#include <mshtml.h>

namespace stub::detail {

class NotImplHTMLWindow2 : public IHTMLWindow2 {
public:
    HRESULT STDMETHODCALLTYPE item(VARIANT* /*pvarIndex*/, VARIANT* /*pvarResult*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_length(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_defaultStatus(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_defaultStatus(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_status(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_status(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE setTimeout(BSTR /*expression*/, LONG /*msec*/, VARIANT* /*language*/,
                                         LONG* /*timerID*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE clearTimeout(LONG /*timerID*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE alert(BSTR /*message*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE confirm(BSTR /*message*/, VARIANT_BOOL* /*confirmed*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE prompt(BSTR /*message*/, BSTR /*defstr*/,
                                     VARIANT* /*textdata*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Image(IHTMLImageElementFactory** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_history(IOmHistory** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_opener(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_opener(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_navigator(IOmNavigator** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_name(BSTR /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_name(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_parent(IHTMLWindow2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE open(BSTR /*url*/, BSTR /*name*/, BSTR /*features*/,
                                   VARIANT_BOOL /*replace*/,
                                   IHTMLWindow2** /*pomWindowResult*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_self(IHTMLWindow2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_top(IHTMLWindow2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_window(IHTMLWindow2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE navigate(BSTR /*url*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onfocus(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onfocus(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onblur(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onblur(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onload(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onload(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onbeforeunload(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onbeforeunload(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onunload(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onunload(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onerror(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onerror(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onresize(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onresize(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onscroll(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onscroll(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get__newEnum(IUnknown** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE showModalDialog(BSTR /*dialog*/, VARIANT* /*varArgIn*/,
                                              VARIANT* /*varOptions*/,
                                              VARIANT* /*varArgOut*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE showHelp(BSTR /*helpURL*/, VARIANT /*helpArg*/,
                                       BSTR /*features*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_screen(IHTMLScreen** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Option(IHTMLOptionElementFactory** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE focus() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_closed(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE blur() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scroll(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_clientInformation(IOmNavigator** /*p*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE setInterval(BSTR /*expression*/, LONG /*msec*/, VARIANT* /*language*/,
                                          LONG* /*timerID*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE clearInterval(LONG /*timerID*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_offscreenBuffering(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offscreenBuffering(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE execScript(BSTR /*code*/, BSTR /*language*/,
                                         VARIANT* /*pvarRet*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE toString(BSTR* /*String*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scrollBy(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scrollTo(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE moveTo(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE moveBy(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE resizeTo(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE resizeBy(LONG /*x*/, LONG /*y*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_external(IDispatch** /*p*/) override { return E_NOTIMPL; }
};

class NotImplHTMLEventObj : public IHTMLEventObj {
public:
    HRESULT STDMETHODCALLTYPE get_srcElement(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_altKey(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ctrlKey(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_shiftKey(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_returnValue(VARIANT /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_returnValue(VARIANT* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_cancelBubble(VARIANT_BOOL /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_cancelBubble(VARIANT_BOOL* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fromElement(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_toElement(IHTMLElement** /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_keyCode(LONG /*v*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_keyCode(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_button(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_type(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_qualifier(BSTR* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_reason(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_x(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_y(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_clientX(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_clientY(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetX(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_offsetY(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_screenX(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_screenY(LONG* /*p*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_srcFilter(IDispatch** /*p*/) override { return E_NOTIMPL; }
};

} // namespace stub::detail
