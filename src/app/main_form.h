// TMainForm: the program's MDI frame. Start-up and exit with the settings and list files,
// the tab strip with the one way of opening a browser window, the search bar and site list
// (its handlers live in main_form_search.cpp) and the main menu.
#pragma once

#include "app/core/frame_keys.h"
#include "app/core/session_file.h"
#include "common/core/early_history.h"
#include "browser_window/window_owner.h"
#include "favorites/favorites_menu.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"
#include "toolkit/menus.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where the frame finds its files and what it opens at first show. The program takes them
// from its module path, its working directory and its command line; tests give their own.
struct TFrameStart {
    std::wstring programFolder;          // empty: the folder of the program file
    std::wstring settingsPath;           // empty: "kvbr.ini" in the working directory at start
    std::vector<std::wstring> arguments; // addresses, one window each
    bool useCommandLine = true;          // take the arguments from the process command line
};

class TSessionKeeper;
class THistoryLoader;

class TMainForm : public tk::MDIFrameForm, public IBrowserWindowOwner {
public:
    TMainForm();
    explicit TMainForm(const TFrameStart& start);
    ~TMainForm() override;

    std::wstring ProgramFolder; // with trailing separator
    kv::LineList ListBoxURL;    // shared address history, ANSI lines, most recent first

    // Main menu.
    tk::Menu MainMenu1;
    tk::MenuItem File1, FileNewItem, FileOpenItem, FileCloseItem, FileSaveAsItem, SaveAsText1,
        print1, PrintSet1, Printpreview1, FileExitItem;
    tk::MenuItem Edit1, CutItem, CopyItem, PasteItem, N5, N6;
    tk::MenuItem N8, T2, N10, N9, N11, S1;
    tk::MenuItem T1, N13, N14, Internet1;
    tk::MenuItem N19;
    tk::MenuItem Window1, WindowCascadeItem, WindowTileItem, WindowTileItem2, WindowMinimizeItem,
        WindowArrangeItem;
    tk::MenuItem Help1, HelpAboutItem, N16, N18;
    // "收藏(&A)", built by N19; linked to the active window's host. Made with the frame's
    // contents, once the frame is on the screen: it asks the shell for the Favorites folder.
    std::unique_ptr<fav::TFavoritesMenu> FavoritesMenu1;

    // Cool bar with the tool bar and the tab strip.
    tk::CoolBar CoolBar1;
    tk::ToolBar ToolBar2;
    tk::TabControl TabControl1;
    tk::ComboBox ComboBox1; // drop-down list, items = ANSI lines
    tk::Edit Edit2;         // the search word, initially "电影"
    tk::SpeedButton SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4;
    int ToolButton9 = 0, ToolButton1 = 0, ToolButton2 = 0, ToolButton4 = 0; // button ids
    tk::ImageList ImageList1;
    tk::ActionList ActionList1;
    tk::Action FileNew1, FileOpen1, FileExit1, HelpAbout1;

    int LastTabIndex = 0;
    double LastTabTime = 0; // local date and time in days since 1899-12-30
    // The clock of the double-click test (local time in days); tests replace it.
    std::function<double()> Now;

    // What the browser windows ask of their owner.
    tk::MDIFrameForm& OwnerFrame() override { return *this; }
    kv::LineList SharedHistory() const override;
    void RecordInSharedHistory(const std::string& address) override;
    void HistoryTaken(TMDIChild* window) override;
    void RecordedInWindow(TMDIChild* window, const std::string& address) override;
    bool PopupBlocking() const override { return N14.Checked(); }
    unsigned WindowDpi() const override { return dpi_; }
    TViewSettings ViewSettings() const override;
    TMDIChild* OpenBrowserWindow(const std::wstring& caption) override; // creates, captions,
                                                                        // registers its tab;
                                                                        // it becomes active
    TMDIChild* OpenPopupWindow() override;
    int BrowserWindowCount() const override; // open browser windows (the frame's MDI children)
    TMDIChild* ActiveBrowserWindow() const;  // or null
    void UpdateWindowTabs(TMDIChild* window, TTabAction action) override;
    // The windows of the tabs, in tab order.
    std::vector<TMDIChild*> TabWindows() const;

    void SetSiteItems(const std::vector<std::string>& items); // replaces ComboBox1's items
    const kv::LineList& SiteItems() const;

    // The bars, the lists and the settings: the first Show builds them once the frame is on
    // the screen; code that uses the frame without showing it calls this first. Once only.
    void BuildContents();

    // Handlers of the frame.
    void FormCreate();
    void FormShowing() override { BuildContents(); }
    void FormShow() override;
    void FormCloseQuery(bool& CanClose) override;
    void TabControl1Change();
    void TabControl1MouseUp(int button, int x, int y);
    void ActionList1Update();
    void FileNew1Execute();
    void FileExit1Execute();
    void N9Click();
    void N10Click();
    void N11Click();
    void S1Click();
    void N14Click();
    // Shows or hides the bars of a browser window as N9, N11 and S1 say.
    void ApplyViewSettings(TMDIChild* window);

    // Handlers defined in main_form_commands.cpp: the page commands on the active window, Open
    // and the pages of the Help menu.
    void FileOpen1Execute();
    void FileSaveAsItemClick();
    void SaveAsText1Click();
    void print1Click();
    void PrintSet1Click();
    void Printpreview1Click();
    void CutItemClick();
    void CopyItemClick();
    void PasteItemClick();
    void N5Click(); // select all
    void N6Click(); // find
    void Internet1Click();
    void HelpAbout1Execute();
    void N16Click(); // online help
    void N18Click(); // update
    // True for a key typed into an edit field (the address box, the search word): the page's
    // clipboard shortcuts leave such keys to the field.
    static bool IsEditFieldKey(const MSG& msg);

    // Handlers defined in main_form_favorites.cpp:
    void N19Click(); // builds the favorites menu
    void FavoritesMenu1URLSelected(tk::MenuItem& Sender, const std::wstring& Url);

    // Handlers defined in main_form_search.cpp:
    void SpeedButton1Click(); // "网页"
    void SpeedButton2Click(); // "图片"
    void SpeedButton3Click(); // "MP3"
    void SpeedButton4Click(); // "百度"
    void ComboBox1CloseUp();
    void ToolButton4Click(); // download the site list

    // The settings file as opened at start and at exit.
    const std::wstring& SettingsPath() const { return settingsPath_; }

    // Keys of the frame (main_form_keys.cpp). True when the key message is one of the frame's
    // keys where it was typed; the command has then been carried out.
    bool FrameKeyMessage(const MSG& msg);
    void RunFrameCommand(kv::FrameCommand command);
    // Opens the window closed last at its last address; nothing when none was closed.
    void ReopenClosedWindow();

    // A long history file is read while the frame starts (main_form_history.cpp). Until its
    // lines are in ListBoxURL and the windows' lists, this is false.
    bool HistoryLoaded() const { return historyLoader_ == nullptr; }
    // Waits for the history file's lines and puts them in place, as their arrival does.
    void FinishHistoryLoad();

    // The session file (main_form_session.cpp): beside the history file.
    std::wstring SessionPath() const;
    void WindowAddressChanged(TMDIChild* window) override;

protected:
    void DoCloseQuery(bool& canClose) override;
    int TopBarsHeight() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void InstallFrameKeys();
    kv::KeyFocus KeyFocusOf(HWND window, bool& listOpen) const;
    void FocusAddressBox(TMDIChild* window);
    void StartSession();
    void AskToRestoreSession();
    kv::Session CurrentSession() const;
    void SessionChanged();
    struct Tab {
        TMDIChild* window;
        std::wstring text;
        std::wstring source; // the caption the text was made from
    };
    void CreateMenu();
    void CreateBars();
    bool built_ = false;
    // Applies the settings file; the cool bar's shown state goes to showCoolBar_, applied once
    // the bar is laid out.
    void ReadSettingsFile();
    bool showCoolBar_ = true;
    void WriteFiles();
    void LayoutBars();
    // Fonts, images, bars and tab strip for a screen of dpi dots per inch (a move to another
    // monitor; the controls were first made for the frame's screen).
    void ApplyDpi(UINT dpi);
    // Puts the tab strip's band where its child lands at left, top (cool bar pixels); with
    // keepButtons (a place kept from another scale) never over the tool bar's buttons.
    void PlaceTabStrip(int left, int top, bool keepButtons);
    // The scale the frame's bars are built for.
    UINT FrameDpi() const;
    // main_form_favorites.cpp: the menu's settings, and its link to a window's host.
    void ConfigureFavoritesMenu();
    void LinkFavoritesMenu(TMDIChild* active);
    void UnlinkFavoritesMenu(TMDIChild* closing);

    void StartHistoryLoad();
    void ReadHistoryFile();
    void HistoryArrived(const kv::LineList& loaded, const kv::EarlyHistory& early);
    std::unique_ptr<THistoryLoader> historyLoader_;
    bool historyOnThread_ = false;
    int historyIdle_ = 0;
    kv::EarlyHistory earlyHistory_; // what was recorded while the file is read
    static constexpr UINT kHistoryLoadedMessage = WM_APP + 0x3B0;

    TFrameStart start_;
    std::wstring settingsPath_;
    std::vector<Tab> tabs_;
    std::vector<TMDIChild*> tabOrderBeforeClose_;
    HACCEL accelerators_ = nullptr;
    int acceleratorFilter_ = 0;
    UINT dpi_ = 0; // the scale last announced to the frame; 0 until one is
    int frameKeysFilter_ = 0;
    kv::RecentlyClosed closedWindows_;
    std::unique_ptr<TSessionKeeper> session_;
    kv::SessionRead previousSession_;
    int sessionIdle_ = 0;
    bool exitQuery_ = false; // every window is asked whether the program may end
    static constexpr UINT_PTR kSessionTimer = 0x7E30;
};

extern TMainForm* MainForm;
