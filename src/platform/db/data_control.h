#pragma once
// The invisible data control a window owns: a connection string, a record source and a
// cursor location, set before refresh() (re)opens its record set. It forwards the record
// set's move events and raises an Error event for failures it meets on its own (a bound
// consumer that cannot show or take a value), which no caller would otherwise see.
//
// Binding: a bound consumer names a field and gives callbacks. On every change of
// current row the control calls each consumer's show() with the new row's field (or
// null when there is no current row) BEFORE the MoveComplete listeners run, so a
// handler sees its controls already filled. Before a pending edit is saved (update, or
// a move that saves) it asks each two-way consumer for a changed value and writes it
// into the field. A consumer with an empty field name is unbound and left alone.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/listeners.h"
#include "platform/db/recordset.h"

namespace db {

using BindingId = uint64_t;

struct Binding {
    std::string dataField;
    // Shows the field of the new current row; null when there is none.
    std::function<void(const Field* field)> show;
    // A value the user changed since the last show, or nothing. Left empty for one-way
    // consumers (a picture box never writes its picture back).
    std::function<std::optional<Value>()> takeChange;
};

class DataControl {
public:
    using ErrorListener = std::function<void(const runtime::Error& error, bool& cancelDisplay)>;

    DataControl() = default;
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    void setConnectionString(std::string text) { connectionString_ = std::move(text); }
    const std::string& connectionString() const { return connectionString_; }
    void setRecordSource(std::string text) { recordSource_ = std::move(text); }
    const std::string& recordSource() const { return recordSource_; }
    // 2 (server-side) or 3 (client-side, the default); raises kErrBadArgument otherwise.
    void setCursorLocation(int location);
    CursorLocation cursorLocation() const { return location_; }

    // Opens a new record set over the record source (a pending edit of the old one is
    // discarded). The new connection user is taken before the old one is dropped, so the
    // shared connection stays open across a refresh.
    void refresh();
    // Raises kErrObjectClosed before the first refresh and after close().
    Recordset& recordset();
    bool isOpen() const { return recordset_ && recordset_->isOpen(); }
    // Closes the record set and drops its connection user. Safe from inside an event.
    void close();

    ListenerId onWillMove(Recordset::WillMoveListener listener);
    ListenerId onMoveComplete(Recordset::MoveCompleteListener listener);
    ListenerId onError(ErrorListener listener);
    void removeListener(ListenerId id);

    BindingId bind(Binding binding);
    // Changing the field shows the current row's value at once (when bound and open).
    void setDataField(BindingId id, std::string field);
    const std::string& dataField(BindingId id) const;
    void unbind(BindingId id);

    // Raises the Error event; true when a listener cancelled the control's own display.
    bool reportError(const runtime::Error& error);

private:
    void show(Binding& binding);
    void showAll();
    void takeChanges(Recordset& rs);
    Binding& binding(BindingId id);

    std::string connectionString_;
    std::string recordSource_;
    CursorLocation location_ = CursorLocation::Client;
    std::shared_ptr<Recordset> recordset_;
    std::vector<ListenerId> forwardIds_;

    Listeners<MoveReason, Recordset&> willMove_;
    Listeners<MoveReason, const runtime::Error*, Recordset&> moveComplete_;
    Listeners<const runtime::Error&, bool&> error_;
    ListenerId lastListenerId_ = 0;

    std::vector<std::pair<BindingId, Binding>> bindings_;
    BindingId lastBindingId_ = 0;
};

}  // namespace db
