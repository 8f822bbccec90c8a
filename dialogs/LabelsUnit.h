#pragma once
// «Этикетки» and «Карточки»: labels with barcodes on a sheet of one's
// choice, from a label of a partly used sheet on, optionally only for codes
// not printed before; shown in a print preview or saved as PDF.
#include "dialogs/ModalForm.h"
#include "labels/LabelSheet.h"
#include "platform/Plural.h"
#include "platform/SingleInstance.h"

#include <functional>
#include <memory>

namespace Ui {
class TfmLabels;
}

class TfmLabels;
extern TfmLabels* fmLabels;

class TfmLabels : public ModalForm {
    Q_OBJECT
public:
    explicit TfmLabels(QWidget* parent = nullptr);
    ~TfmLabels() override;

    struct Entry {
        labels::Label label;
        bool printed = false; // on a label before
    };
    struct Request {
        QString title; // the window's and the document's
        QList<Entry> entries;
        int withoutCode = 0; // of those asked for, left out
        platform::NounForms noun{"запись", "записи", "записей"};
        // The codes printed, to be remembered; none while the catalogue is only read.
        std::function<void(const QStringList& codes)> markPrinted;
    };
    void Execute(const Request& request);

    void cbSheetChange(int index);
    void SheetEdited();
    void bPreviewClick();
    void bPdfClick();

private:
    labels::Sheet CurrentSheet() const;
    void ShowSheet(const labels::Sheet& sheet);
    QList<labels::Label> Chosen() const;
    void Summarize();
    void Printed(const QList<labels::Label>& printed);

    Request m_request;
    bool m_showing = false; // the fields are being filled, not edited
    SingleInstance<TfmLabels> m_instance{fmLabels, this};
    std::unique_ptr<Ui::TfmLabels> ui;
};
