#include "SchemaPanel.h"

#include "SqlWords.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeWidget>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int nameRole = Qt::UserRole;

// Drags carry the bracketed name as plain text; Enter inserts the current item's name,
// as a double-click does.
class SchemaTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<void(const QString&)> insert;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (const QString text = SchemaPanel::InsertedText(currentItem()); enter && insert && !text.isEmpty()) {
            insert(text);
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

    QStringList mimeTypes() const override { return {u"text/plain"_s}; }
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override
    {
        QStringList texts;
        for (const QTreeWidgetItem* item : items)
            if (const QString t = SchemaPanel::InsertedText(item); !t.isEmpty())
                texts.append(t);
        auto* dragged = new QMimeData;
        dragged->setText(texts.join(u", "_s));
        return dragged;
    }
};
} // namespace

SchemaPanel::SchemaPanel(QWidget* parent) : QDockWidget(u"Database"_s, parent)
{
    setObjectName(u"dockSchema"_s);
    auto* tree = new SchemaTree(this);
    tree->insert = [this](const QString& text) { emit insertRequested(text); };
    tree_ = tree;
    tree_->setObjectName(u"treSchema"_s);
    tree_->setAccessibleName(u"Tables, fields and stored queries"_s);
    tree_->setAccessibleDescription(u"Enter inserts the chosen name at the editor's cursor"_s);
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({u"Name"_s, u"Type"_s});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setDragEnabled(true);
    tree_->setDragDropMode(QAbstractItemView::DragOnly);
    tree_->setUniformRowHeights(true);
    setWidget(tree_);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (const QString text = InsertedText(item); !text.isEmpty())
            emit insertRequested(text);
    });
}

QString SchemaPanel::InsertedText(const QTreeWidgetItem* item)
{
    const QString name = item ? item->data(0, nameRole).toString() : QString();
    return name.isEmpty() ? QString() : SqlName(name);
}

void SchemaPanel::Fill(const SchemaListing& listing)
{
    listing_ = listing;
    tree_->setUpdatesEnabled(false);
    tree_->clear();
    auto* tables = new QTreeWidgetItem(tree_, {u"Tables"_s});
    QList<QTreeWidgetItem*> tableItems;
    tableItems.reserve(listing.tables.size());
    for (const ListedTable& table : listing.tables) {
        auto* t = new QTreeWidgetItem({table.name});
        t->setData(0, nameRole, table.name);
        QList<QTreeWidgetItem*> fields;
        fields.reserve(table.fields.size());
        for (const ListedField& field : table.fields) {
            auto* f = new QTreeWidgetItem({field.name, field.type});
            f->setData(0, nameRole, field.name);
            fields.append(f);
        }
        t->addChildren(fields);
        tableItems.append(t);
    }
    tables->addChildren(tableItems);
    auto* queries = new QTreeWidgetItem(tree_, {u"Stored queries"_s});
    for (const QString& query : listing.queries) {
        auto* q = new QTreeWidgetItem(queries, {query});
        q->setData(0, nameRole, query);
    }
    tables->setExpanded(true);
    queries->setExpanded(true);
    tree_->setUpdatesEnabled(true);
}

void SchemaPanel::Clear()
{
    listing_ = {};
    tree_->clear();
}

} // namespace levy
