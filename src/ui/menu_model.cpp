#include "ui/menu_model.h"

#include <cmath>
#include <utility>

#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

MenuItem commandItem(char accessKey, std::string text, std::int32_t command, bool checked = false,
                     bool grayed = false) {
    MenuItem item;
    item.accessKey = accessKey;
    item.text = std::move(text);
    item.command = command;
    item.checked = checked;
    item.grayed = grayed;
    return item;
}

MenuItem separator() {
    MenuItem item;
    item.kind = MenuItem::Kind::Separator;
    return item;
}

std::vector<MenuItem> settingsItems(const MenuInput& input) {
    std::vector<MenuItem> items;
    items.push_back(commandItem('z', "Zmadho\tCtrl +", commands::ZoomIn));
    // U+2212, the minus sign, not a hyphen.
    items.push_back(commandItem('v', "Zvog\xC3\xABlo\tCtrl \xE2\x88\x92", commands::ZoomOut));
    items.push_back(commandItem('r', "Rivendos 100%\tCtrl+0", commands::ZoomReset));
    items.push_back(separator());
    const double percent = input.zoom * 100.0;
    for (std::size_t i = 0; i < kZoomPresets.size(); ++i) {
        const ZoomPreset& preset = kZoomPresets[i];
        const std::string text = std::to_string(preset.percent) + "%";
        items.push_back(commandItem(text.front(), text,
                                    commands::ZoomPreset + static_cast<std::int32_t>(i),
                                    std::fabs(percent - preset.percent) < 0.5));
    }
    items.push_back(separator());
    items.push_back(commandItem('p', "Paralajm\xC3\xABro p\xC3\xABr pun\xC3\xABn e paruajtur",
                                commands::ToggleCloseWarning, input.warnOnClose));
    return items;
}

}  // namespace

std::vector<MenuItem> buildMainMenu(const MenuInput& input) {
    std::vector<MenuItem> menu;

    MenuItem settings;
    settings.kind = MenuItem::Kind::Submenu;
    settings.accessKey = 'c';
    settings.text = "Cil\xC3\xABsimet \xC2\xB7 " + zoomIndicatorText(input.zoom);
    settings.items = settingsItems(input);
    menu.push_back(std::move(settings));

    menu.push_back(separator());
    menu.push_back(commandItem('s', "Sked\xC3\xAB e re\tCtrl+T", commands::NewTab));
    menu.push_back(commandItem('r', "Rihap sked\xC3\xABn e mbyllur\tCtrl+Shift+T", commands::ReopenClosedTab,
                               false, !input.hasClosedTabs));
    menu.push_back(commandItem('p', "Printo\tCtrl+P", commands::Print));
    menu.push_back(commandItem('h', "Shkarkimet", commands::Downloads));
    menu.push_back(separator());
    menu.push_back(commandItem('d', "Ruaj diagnostik\xC3\xABn\xE2\x80\xA6", commands::SaveDiagnostics));
    return menu;
}

Point menuAnchor(int clientWidth, double dpiScale) {
    return Point{clientWidth - scalePx(10, dpiScale), scalePx(83, dpiScale)};
}

}  // namespace vesko
