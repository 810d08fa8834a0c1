#include "platform/db/data_control.h"

#include "platform/db/errors.h"

namespace db {

DataControl::~DataControl() { close(); }

void DataControl::setCursorLocation(int location) {
    if (location != static_cast<int>(CursorLocation::Server) && location != static_cast<int>(CursorLocation::Client))
        raiseDb(kErrBadArgument, "The cursor location must be 2 (server) or 3 (client).");
    location_ = static_cast<CursorLocation>(location);
}

void DataControl::refresh() {
    Connection connection = Connection::open(connectionString_);
    auto fresh = std::make_shared<Recordset>();
    std::vector<ListenerId> ids;
    ids.push_back(fresh->onWillMove([this](MoveReason reason, Recordset& rs) { willMove_.call(reason, rs); }));
    ids.push_back(fresh->onMoveComplete([this](MoveReason reason, const runtime::Error* error, Recordset& rs) {
        showAll();
        moveComplete_.call(reason, error, rs);
    }));
    fresh->setBeforeSave([this](Recordset& rs) { takeChanges(rs); });

    close();
    recordset_ = fresh;
    forwardIds_ = std::move(ids);
    try {
        fresh->open(std::move(connection), recordSource_, location_);
    } catch (...) {
        if (recordset_ == fresh) close();
        throw;
    }
}

Recordset& DataControl::recordset() {
    if (!recordset_)
        raiseDb(kErrObjectClosed, "Operation is not allowed when the object is closed.");
    return *recordset_;
}

void DataControl::close() {
    if (!recordset_) return;
    // Detach first: a record set still inside its own event (kept alive there) must not
    // call back into a control that is closing or gone.
    for (ListenerId id : forwardIds_) recordset_->removeListener(id);
    forwardIds_.clear();
    recordset_->setBeforeSave(nullptr);
    recordset_->close();
    recordset_.reset();
}

ListenerId DataControl::onWillMove(Recordset::WillMoveListener listener) {
    willMove_.add(++lastListenerId_, std::move(listener));
    return lastListenerId_;
}

ListenerId DataControl::onMoveComplete(Recordset::MoveCompleteListener listener) {
    moveComplete_.add(++lastListenerId_, std::move(listener));
    return lastListenerId_;
}

ListenerId DataControl::onError(ErrorListener listener) {
    error_.add(++lastListenerId_, std::move(listener));
    return lastListenerId_;
}

void DataControl::removeListener(ListenerId id) {
    willMove_.remove(id);
    moveComplete_.remove(id);
    error_.remove(id);
}

bool DataControl::reportError(const runtime::Error& error) {
    bool cancel = false;
    error_.call(error, cancel);
    return cancel;
}

BindingId DataControl::bind(Binding b) {
    bindings_.emplace_back(++lastBindingId_, std::move(b));
    return lastBindingId_;
}

Binding& DataControl::binding(BindingId id) {
    for (auto& [bid, b] : bindings_)
        if (bid == id) return b;
    raiseDb(kErrItemNotFound, "No such binding.");
}

void DataControl::setDataField(BindingId id, std::string field) {
    Binding& b = binding(id);
    b.dataField = std::move(field);
    if (isOpen()) show(b);
}

const std::string& DataControl::dataField(BindingId id) const {
    return const_cast<DataControl*>(this)->binding(id).dataField;
}

void DataControl::unbind(BindingId id) {
    std::erase_if(bindings_, [id](const auto& entry) { return entry.first == id; });
}

void DataControl::show(Binding& b) {
    if (b.dataField.empty() || !b.show || !isOpen()) return;
    try {
        Recordset& rs = *recordset_;
        if (!rs.hasCurrentRow()) {
            b.show(nullptr);
            return;
        }
        const Field field = rs.field(b.dataField);
        b.show(&field);
    } catch (const runtime::Error& e) {
        reportError(e);
    }
}

void DataControl::showAll() {
    // A consumer's show may bind or unbind others; walk the ids, not the vector.
    std::vector<BindingId> ids;
    for (const auto& entry : bindings_) ids.push_back(entry.first);
    for (BindingId id : ids) {
        for (auto& [bid, b] : bindings_)
            if (bid == id) {
                show(b);
                break;
            }
        if (!isOpen()) return;
    }
}

void DataControl::takeChanges(Recordset& rs) {
    for (auto& [id, b] : bindings_) {
        if (b.dataField.empty() || !b.takeChange) continue;
        if (auto value = b.takeChange()) rs.field(b.dataField).setValue(std::move(*value));
    }
}

}  // namespace db
