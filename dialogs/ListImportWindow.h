#pragma once
// The window of an import: for a list, how it is read (sheet, encoding,
// separator, header) and which column gives which field, with a preview of
// the first rows as they will be imported; for a collection, its first
// entries. Either way, where the rows go: the current table or a new one.
#include "imports/RowMapping.h"
#include "imports/SourceFiles.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTableWidget;

class ListImportWindow : public QDialog {
public:
    // list: a spreadsheet (its columns mapped here); else records: a
    // collection's. taken: the tables there are, by name.
    ListImportWindow(QWidget* parent, const QString& path, imports::ListFile* list,
                     const QList<imports::Record>* records, const QString& currentTable, const QStringList& taken);

    imports::Mapping mapping() const;
    QString table() const;
    bool newTable() const;

    void done(int result) override;

    // Rows of the preview, and of the list's beginning looked at for where
    // it starts and how many columns it has.
    static constexpr int kPreviewRows = 20;
    static constexpr int kSampleRows = 1000;

private:
    QWidget* makeListOptions();
    QWidget* makeStart();
    QWidget* makeMapping();
    QWidget* makeTarget(const QString& currentTable, const QString& path);
    // The list read again (another sheet, encoding or separator): where it
    // starts and its columns guessed anew.
    void reread();
    // Where the list starts, or whether it has a header, changed: its columns anew.
    void restart();
    void fillColumns();
    void showPreview();
    const imports::NumberedRow* startRow() const;

    imports::ListFile* m_list;
    const QList<imports::Record>* m_records;
    QStringList m_taken;
    QList<imports::NumberedRow> m_sample; // the list's first rows
    QComboBox *m_sheet = nullptr, *m_encoding = nullptr, *m_separator = nullptr;
    QSpinBox* m_firstRow = nullptr;
    QCheckBox* m_header = nullptr;
    std::array<QComboBox*, imports::FieldCount> m_columns{};
    QTableWidget* m_preview = nullptr;
    QRadioButton *m_intoCurrent = nullptr, *m_intoNew = nullptr;
    QLineEdit* m_newName = nullptr;
    bool m_filling = false;
};

// The rows (or entries) that will not be imported, each with its reason,
// out of total: true for «Импортировать остальные», false for «Отмена».
bool ImportTheRest(QWidget* parent, const QList<imports::Refusal>& refused, qint64 total, bool entries);
