#pragma once

#include "database/SchemaListing.h"

#include <QDockWidget>

class QTreeWidget;
class QTreeWidgetItem;

namespace levy {

// The database beside the editor: the tables with their fields and types, and the
// stored queries. A double-click asks for the item's name to be inserted; a drag
// carries it as text, so the editor takes it where it is dropped.
class SchemaPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit SchemaPanel(QWidget* parent);

    void Fill(const SchemaListing& listing);
    void Clear();
    const SchemaListing& Listing() const { return listing_; }
    QTreeWidget* Tree() const { return tree_; }

    // The name an item stands for, as a statement must write it.
    static QString InsertedText(const QTreeWidgetItem* item);

signals:
    void insertRequested(const QString& text);

private:
    QTreeWidget* tree_;
    SchemaListing listing_;
};

} // namespace levy
