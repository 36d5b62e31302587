#pragma once
// Objects, owned components, events and string lists.
#include <functional>
#include <string>
#include <vector>

namespace kova {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
public:
    // Copies Source into this object; raises EConvertError-like failure when the pair is unknown.
    virtual void Assign(TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest);
};

// A component is owned by another one, which destroys it. While a form description is
// being loaded every component it creates is marked loading; the loader then sends each
// one the after-loading notification (Loaded) in creation order.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const;
    TComponent* FindComponent(const std::string& name) const;

    bool Loading() const { return FLoading; }

    std::string Name;

    // Runs Describe with Root and everything it creates marked loading, then sends
    // Loaded to every component owned by Root, in creation order, and to Root last.
    static void LoadDescription(TComponent* Root, const std::function<void()>& Describe);

protected:
    // The after-loading notification: stored properties are all set.
    virtual void Loaded();

private:
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
    bool FLoading = false;
};

class TStrings : public TPersistent {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index outside 0 .. Count-1.
    const std::string& Strings(int index) const;
    void Put(int index, const std::string& s);
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    // Exact, case-sensitive search; -1 when absent.
    int IndexOf(const std::string& s) const;
    // Lines joined with CR LF after each one.
    std::string Text() const;
    // Splits at CR LF, LF or CR.
    void SetText(const std::string& text);
    void Assign(TPersistent* Source) override;

private:
    void CheckIndex(int index, int limit) const;
    std::vector<std::string> FItems;
};

using TStringList = TStrings;

}  // namespace kova
