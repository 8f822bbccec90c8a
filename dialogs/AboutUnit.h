#pragma once
// The about box: name and file version, a picture, the author's links.
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"
#include <memory>

namespace Ui {
class TfmAbout;
}

class TfmAbout;
// The one window of its kind, from its making to its end.
extern TfmAbout* fmAbout;

class TfmAbout : public ModalForm {
    Q_OBJECT
public:
    // The author's details shown and linked by the box.
    static const QString kNickname;
    static const QString kHomePage;
    static const QString kEMail;

    explicit TfmAbout(QWidget* parent = nullptr);
    ~TfmAbout() override;

    // Reads the executable's version once; throws when it has none, leaving
    // the design text in place.
    void FormCreate();
    void lurlHomeClick();
    void lurlEMailClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitToTexts();
    SingleInstance<TfmAbout> m_instance{fmAbout, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TfmAbout> ui;
    int m_designWidth = 0; // the width the layout gives; texts may widen it
};
