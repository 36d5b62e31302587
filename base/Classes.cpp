#include "base/Classes.h"

#include <algorithm>

#include "base/Exceptions.h"

namespace kova {

void TPersistent::Assign(TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignTo(nullptr);
}

void TPersistent::AssignTo(TPersistent* /*Dest*/)
{
    throw Exception("代入できません");
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner)
{
    if (FOwner) {
        FLoading = FOwner->FLoading;
        FOwner->InsertComponent(this);
    }
}

TComponent::~TComponent()
{
    // Newest first, so a component never outlives what it was created after.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        FComponents.pop_back();
        c->FOwner = nullptr;
        delete c;
    }
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError(index);
    return FComponents[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    for (TComponent* c : FComponents)
        if (c->Name == name)
            return c;
    return nullptr;
}

void TComponent::LoadDescription(TComponent* Root, const std::function<void()>& Describe)
{
    Root->FLoading = true;
    try {
        Describe();
    } catch (...) {
        Root->FLoading = false;
        throw;
    }
    // Loaded may create components of its own; those are not part of the description.
    std::vector<TComponent*> loaded = Root->FComponents;
    for (TComponent* c : loaded) {
        c->FLoading = false;
        c->Loaded();
    }
    Root->FLoading = false;
    Root->Loaded();
}

void TComponent::Loaded() {}

void TComponent::InsertComponent(TComponent* c) { FComponents.push_back(c); }

void TComponent::RemoveComponent(TComponent* c)
{
    auto it = std::find(FComponents.begin(), FComponents.end(), c);
    if (it != FComponents.end())
        FComponents.erase(it);
}

void TStrings::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw EListError(index);
}

const std::string& TStrings::Strings(int index) const
{
    CheckIndex(index, Count());
    return FItems[static_cast<size_t>(index)];
}

void TStrings::Put(int index, const std::string& s)
{
    CheckIndex(index, Count());
    FItems[static_cast<size_t>(index)] = s;
}

int TStrings::Add(const std::string& s)
{
    FItems.push_back(s);
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& s)
{
    CheckIndex(index, Count() + 1);
    FItems.insert(FItems.begin() + index, s);
}

void TStrings::Delete(int index)
{
    CheckIndex(index, Count());
    FItems.erase(FItems.begin() + index);
}

int TStrings::IndexOf(const std::string& s) const
{
    auto it = std::find(FItems.begin(), FItems.end(), s);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

std::string TStrings::Text() const
{
    std::string out;
    for (const std::string& s : FItems) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const std::string& text)
{
    FItems.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            FItems.push_back(text.substr(start));
            break;
        }
        FItems.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

void TStrings::Assign(TPersistent* Source)
{
    if (auto* other = dynamic_cast<TStrings*>(Source)) {
        FItems = other->FItems;
        return;
    }
    TPersistent::Assign(Source);
}

}  // namespace kova
