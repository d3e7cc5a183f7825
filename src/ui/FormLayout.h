#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The main window's fixed form as plain data, free of any toolkit, so that every window of the
// program builds the same form from it. Texts are UTF-8; in a caption "&&" stands for one "&".
// Positions and sizes are pixels in the parent's client area.

namespace bildheber {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// Room a container keeps free around its docked children.
struct Insets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

enum class ControlKind : std::uint8_t {
    Panel,       // a plain container
    DropPanel,   // the container that takes dropped files; shows its text where nothing covers it
    Preview,     // the preview picture
    Button,      // a push button
    Label,       // one line of plain text, never wrapped
    RadioGroup,  // a frame titled with its text around its items
    RadioItem,   // one choice of the radio group that is its parent; the choices count from 0
    QueueList,   // the upload queue: a report list with the form's list columns
};

enum class Alignment : std::uint8_t { Left, Centre, Right };

// How a control follows its parent's size. Docked children fill the parent inside its padding,
// edge to edge, in table order.
enum class Dock : std::uint8_t {
    None,    // at its bounds, whatever the parent's size
    Top,     // along the parent's top, as wide as the parent, as high as its bounds
    Fill,    // what the other docked children leave
    Column,  // one under another, sharing the parent's height
};

enum class Border : std::uint8_t {
    None,
    RaisedBevel,  // one pixel wide
};

// A label whose width is measured at run time in the window's font: its text's width plus
// `extraWidth`, keeping the left or the right edge of its bounds.
enum class WidthFromText : std::uint8_t { No, KeepLeftEdge, KeepRightEdge };

struct Control {
    std::string_view name{};  // empty for a radio group's items
    ControlKind kind = ControlKind::Panel;
    std::string_view parent{};  // an earlier control, or the form's name for its client area
    Bounds bounds{};
    Dock dock = Dock::None;
    Insets padding{};         // around the docked children
    std::string_view text{};  // caption, title or first text
    std::string_view hint{};
    Alignment alignment = Alignment::Left;  // of a label's text
    bool italic = false;
    WidthFromText widthFromText = WidthFromText::No;
    int extraWidth = 0;
    Border border = Border::None;
    std::optional<Rgb> textColour{};
    std::optional<Rgb> pointerTextColour{};  // while the pointer is over it: a label that links
    std::optional<Rgb> background{};
    std::optional<int> tabPosition{};  // its place in the keyboard order, if it has one
    bool enabled = true;               // at start
    bool checked = false;              // the radio item chosen at start
};

// An entry of the menu bar, or of the menu named as its parent. An entry that is another's
// parent opens a menu, the others are commands.
struct MenuItem {
    std::string_view name{};
    std::string_view caption{};
    std::string_view parent{};  // empty: on the menu bar
};

struct ListColumn {
    std::string_view header{};
    int width = 0;                          // 0: closed
    Alignment alignment = Alignment::Left;  // of the header and of the cells
};

// The dialog that picks files to queue: several at once, of one file type.
struct OpenDialog {
    std::string_view title{};
    std::string_view filterName{};
    std::span<const std::string_view> patterns{};
};

struct FormLayout {
    std::string_view name{};
    std::string_view caption{};
    int clientWidth = 0;
    int clientHeight = 0;
    std::span<const Control> controls{};  // parents before their children, in creation order
    std::span<const MenuItem> menu{};
    std::span<const ListColumn> listColumns{};  // of the queue list, set up when the job asks
    OpenDialog openDialog{};
};

inline constexpr Control kMainFormControls[] = {
    {.name = "Panel2",
     .kind = ControlKind::Panel,
     .parent = "TForm1",
     .bounds = {0, 0, 802, 249},
     .dock = Dock::Top},
    {.name = "Buttonsend",
     .kind = ControlKind::Button,
     .parent = "Panel2",
     .bounds = {7, 18, 138, 41},
     .text = "Hochladen",
     .tabPosition = 0,
     .enabled = false},
    {.name = "Label4",
     .kind = ControlKind::Label,
     .parent = "Panel2",
     .bounds = {9, 65, 0, 13},
     .text = "...ab in Trullers Forumserver",
     .widthFromText = WidthFromText::KeepLeftEdge},
    {.name = "RadioGroupVerfall",
     .kind = ControlKind::RadioGroup,
     .parent = "Panel2",
     .bounds = {9, 84, 137, 73},
     .padding = {8, 2, 4, 4},
     .text = "Verfallsdatum",
     .tabPosition = 4},
    {.kind = ControlKind::RadioItem,
     .parent = "RadioGroupVerfall",
     .dock = Dock::Column,
     .text = "Nie",
     .checked = true},
    {.kind = ControlKind::RadioItem,
     .parent = "RadioGroupVerfall",
     .dock = Dock::Column,
     .text = "12 Monate"},
    {.kind = ControlKind::RadioItem,
     .parent = "RadioGroupVerfall",
     .dock = Dock::Column,
     .text = "6 Wochen"},
    {.name = "ButtonDeleteSingle",
     .kind = ControlKind::Button,
     .parent = "Panel2",
     .bounds = {9, 163, 138, 28},
     .text = "Bild entfernen",
     .hint = "Bild aus der Liste der hochzuladenden Dateien löschen (nicht auf dem Server)",
     .tabPosition = 2,
     .enabled = false},
    {.name = "ButtonClearList",
     .kind = ControlKind::Button,
     .parent = "Panel2",
     .bounds = {9, 197, 138, 28},
     .text = "Alle entfernen",
     .hint = "Liste der hochzuladenden Dateien leeren (nichts auf dem Server löschen)",
     .tabPosition = 1,
     .enabled = false},
    {.name = "Label2",
     .kind = ControlKind::Label,
     .parent = "Panel2",
     .bounds = {168, 12, 0, 13},
     .text = "Status:",
     .widthFromText = WidthFromText::KeepLeftEdge},
    // The status line: wider than any window, so a long text is cut off at the window's edge.
    {.name = "Label1",
     .kind = ControlKind::Label,
     .parent = "Panel2",
     .bounds = {168, 31, 4000, 13},
     .text = "Label1",
     .textColour = Rgb{0, 0, 255}},
    {.name = "ListView1",
     .kind = ControlKind::QueueList,
     .parent = "Panel2",
     .bounds = {168, 59, 609, 166},
     .tabPosition = 3},
    {.name = "LabelLogfile",
     .kind = ControlKind::Label,
     .parent = "Panel2",
     .bounds = {168, 231, 609, 13},
     .text = "Logfile",
     .alignment = Alignment::Right,
     .textColour = Rgb{128, 128, 128},
     .pointerTextColour = Rgb{0, 0, 0}},
    // Ends at 777, where the list and the log label end.
    {.name = "LabelHomepage",
     .kind = ControlKind::Label,
     .parent = "Panel2",
     .bounds = {670, 0, 107, 13},
     .text = "V3.2 © Korvan 2014",
     .italic = true,
     .widthFromText = WidthFromText::KeepRightEdge,
     .extraWidth = 1,
     .textColour = Rgb{128, 128, 128},
     .pointerTextColour = Rgb{0, 0, 0}},
    {.name = "Panel1",
     .kind = ControlKind::DropPanel,
     .parent = "TForm1",
     .bounds = {0, 249, 802, 602},
     .dock = Dock::Fill,
     .text = "JPEG hier per Drag && Drop abwerfen oder durch anklicken aus der Zwischenablage "
             "kopieren...",
     .border = Border::RaisedBevel,
     .background = Rgb{255, 255, 128}},
    // Inside the bevel, which is the drop panel's only border.
    {.name = "Image1",
     .kind = ControlKind::Preview,
     .parent = "Panel1",
     .bounds = {1, 1, 800, 600},
     .dock = Dock::Fill},
};

inline constexpr MenuItem kMainFormMenu[] = {
    {"Dateiladen1", "Dateibrowser", ""},
    {"Logfile1", "Logfile", ""},
    {"Forumscode1", "Forumscode", ""},
    {"NochmalinZwischenablagekopieren1", "...nochmal in Zwischenablage kopieren", "Forumscode1"},
};

// File name, size, pixels, scaling, status, forum code; the code column starts closed.
inline constexpr ListColumn kQueueListColumns[] = {
    {"Dateiname", 300, Alignment::Left}, {"Länge", 66, Alignment::Right},
    {"Pixel", 66, Alignment::Centre},    {"Skalierung", 66, Alignment::Right},
    {"Status", 100, Alignment::Left},    {"Forumscode", 0, Alignment::Left},
};

inline constexpr std::string_view kJpegPatterns[] = {"*.jpg", "*.jpeg"};

inline constexpr FormLayout kMainForm{
    .name = "TForm1",
    .caption = "Bildheber",
    .clientWidth = 802,
    .clientHeight = 851,
    .controls = kMainFormControls,
    .menu = kMainFormMenu,
    .listColumns = kQueueListColumns,
    .openDialog = {.title = "Wähle, welche Bild-Datei hochgeladen werden soll.",
                   .filterName = "JPEG-Bilder",
                   .patterns = kJpegPatterns},
};

}  // namespace bildheber
