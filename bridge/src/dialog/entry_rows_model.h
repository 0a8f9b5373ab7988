#pragma once
// The entry list's rows as a Qt table model: name, address, company and
// department, with an icon by kind (fax, e-mail, list).

#include <QAbstractTableModel>
#include <QIcon>

#include "selection/recipient_selection.h"

namespace vqbridge {

class EntryRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    EntryRowsModel(const RecipientSelection& selection, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Call around every change of the selection's rows.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

private:
    const RecipientSelection& selection_;
    QIcon fax_, email_, list_;
};

} // namespace vqbridge
