#include "platform/host/menu_model.h"

#include <algorithm>

#include "platform/host/text_util.h"

namespace host {

namespace {

std::string withoutMarkers(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != '&') out.push_back(asciiUpper(c));
  }
  return out;
}

bool validIndex(int index, int count) { return index >= 0 && index <= count; }

}  // namespace

bool sameMenuName(std::string_view a, std::string_view b) {
  return withoutMarkers(a) == withoutMarkers(b);
}

class MenuModel::Bar final : public MenuBar {
 public:
  int count() const override { return static_cast<int>(popups.size()); }
  Result<PopupMenu*> item(int index) override {
    if (index < 0 || index >= count()) return Status::AutomationError;
    return Result<PopupMenu*>(popups[static_cast<std::size_t>(index)]);
  }
  std::vector<PopupMenu*> popups;
};

class MenuModel::Popup final : public PopupMenu {
 public:
  Popup(std::string name, Bar& bar) : name_(std::move(name)), bar_(bar) {}
  ~Popup() override { removeFromMenuBar(); }

  std::string name() const override { return name_; }
  int count() const override { return static_cast<int>(items_.size()); }
  Result<MenuItem> item(int index) const override {
    if (index < 0 || index >= count()) return Status::AutomationError;
    return Result<MenuItem>(items_[static_cast<std::size_t>(index)]);
  }
  Status addMenuItem(int index, std::string_view label, std::string_view macro) override {
    if (!validIndex(index, count()) || label.empty()) return Status::AutomationError;
    insert(index, MenuItem{MenuItemKind::Command, std::string(label), std::string(macro)});
    return Status::Normal;
  }
  Status addSeparator(int index) override {
    if (!validIndex(index, count())) return Status::AutomationError;
    insert(index, MenuItem{MenuItemKind::Separator, {}, {}});
    return Status::Normal;
  }
  Status removeItem(int index) override {
    if (index < 0 || index >= count()) return Status::AutomationError;
    items_.erase(items_.begin() + index);
    return Status::Normal;
  }
  bool onMenuBar() const override {
    return std::find(bar_.popups.begin(), bar_.popups.end(), this) != bar_.popups.end();
  }
  Status insertInMenuBar(int index) override {
    if (onMenuBar() || !validIndex(index, bar_.count())) return Status::AutomationError;
    bar_.popups.insert(bar_.popups.begin() + index, this);
    return Status::Normal;
  }
  Status removeFromMenuBar() override {
    auto it = std::find(bar_.popups.begin(), bar_.popups.end(), this);
    if (it == bar_.popups.end()) return Status::AutomationError;
    bar_.popups.erase(it);
    return Status::Normal;
  }

 private:
  void insert(int index, MenuItem item) { items_.insert(items_.begin() + index, std::move(item)); }

  std::string name_;
  Bar& bar_;
  std::vector<MenuItem> items_;
};

class MenuModel::Popups final : public PopupMenus {
 public:
  explicit Popups(Bar& bar) : bar_(bar) {}
  int count() const override { return static_cast<int>(popups_.size()); }
  Result<PopupMenu*> item(int index) override {
    if (index < 0 || index >= count()) return Status::AutomationError;
    return Result<PopupMenu*>(popups_[static_cast<std::size_t>(index)].get());
  }
  Result<PopupMenu*> item(std::string_view name) override {
    for (auto& p : popups_) {
      if (sameMenuName(p->name(), name)) return Result<PopupMenu*>(p.get());
    }
    return Status::AutomationError;
  }
  Result<PopupMenu*> add(std::string_view name) override {
    if (name.empty() || item(name).ok()) return Status::AutomationError;
    popups_.push_back(std::make_unique<Popup>(std::string(name), bar_));
    return Result<PopupMenu*>(popups_.back().get());
  }
  const std::vector<std::unique_ptr<Popup>>& all() const { return popups_; }

 private:
  Bar& bar_;
  std::vector<std::unique_ptr<Popup>> popups_;
};

class MenuModel::Group final : public MenuGroup {
 public:
  Group(std::string name, Bar& bar) : name_(std::move(name)), popups_(bar) {}
  std::string name() const override { return name_; }
  PopupMenus& menus() override { return popups_; }
  const Popups& popups() const { return popups_; }

 private:
  std::string name_;
  Popups popups_;
};

class MenuModel::Groups final : public MenuGroups {
 public:
  int count() const override { return static_cast<int>(groups.size()); }
  Result<MenuGroup*> item(int index) override {
    if (index < 0 || index >= count()) return Status::AutomationError;
    return Result<MenuGroup*>(groups[static_cast<std::size_t>(index)].get());
  }
  Result<MenuGroup*> item(std::string_view name) override {
    for (auto& g : groups) {
      if (sameMenuName(g->name(), name)) return Result<MenuGroup*>(g.get());
    }
    return Status::AutomationError;
  }
  std::vector<std::unique_ptr<Group>> groups;
};

MenuModel::MenuModel() : bar_(std::make_unique<Bar>()), groups_(std::make_unique<Groups>()) {}

// Groups go first: their popups take themselves off the bar as they go.
MenuModel::~MenuModel() { groups_.reset(); }

MenuBar& MenuModel::menuBar() { return *bar_; }
MenuGroups& MenuModel::menuGroups() { return *groups_; }

Result<MenuGroup*> MenuModel::addGroup(std::string_view name) {
  if (name.empty() || groups_->item(name).ok()) return Status::AlreadyExists;
  groups_->groups.push_back(std::make_unique<Group>(std::string(name), *bar_));
  return Result<MenuGroup*>(groups_->groups.back().get());
}

Result<std::string> MenuModel::macroOf(std::string_view popupName, std::string_view label) const {
  for (const auto& g : groups_->groups) {
    for (const auto& p : g->popups().all()) {
      if (!sameMenuName(p->name(), popupName)) continue;
      for (int i = 0; i < p->count(); ++i) {
        MenuItem it = p->item(i).value();
        if (it.kind == MenuItemKind::Command && sameMenuName(it.label, label)) {
          return Result<std::string>(it.macro);
        }
      }
    }
  }
  return Status::NotFound;
}

}  // namespace host
