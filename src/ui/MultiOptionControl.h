#pragma once

#include "OptionLayout.h"

#include <QFrame>
#include <QPalette>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QVariantMap>
#include <QVector>

class QButtonGroup;
class QLabel;
class QRadioButton;

namespace mivra {

// A group of caption-less radio buttons with one caption label, laid out in twips inside
// the control's own rectangle. Choices are counted from 1.
//
// A freshly constructed control is in its design state (all numbers 0, one button, a
// placeholder caption); the host then calls initProperties() for a new instance or
// readProperties() to restore a stored one.
//
// Colours are OLE colours: 0x00BBGGRR for an RGB value (red in the low byte) or
// 0x80000000 | n for system colour n.
class MultiOptionControl : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool Border READ border WRITE setBorder)
    Q_PROPERTY(bool Apperarance3D READ apperarance3D WRITE setApperarance3D)
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(qint32 Positioning READ positioning WRITE setPositioning)
    Q_PROPERTY(qint32 Aligning READ aligning WRITE setAligning)
    Q_PROPERTY(qint32 CaptionAligning READ captionAligning WRITE setCaptionAligning)
    Q_PROPERTY(qint16 OptionSelected READ optionSelected WRITE setOptionSelected)
    Q_PROPERTY(qint16 OptionCount READ optionCount WRITE setOptionCount)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)

public:
    static constexpr int kOptionWidth = 220;  // twips
    static constexpr int kOptionHeight = 255; // twips
    static constexpr int kOptionGap = kOptionGapTwips;
    static constexpr quint32 kOleSystemColour = 0x80000000u;
    static constexpr quint32 kOleButtonFace = kOleSystemColour | 15u;
    static constexpr quint32 kOleButtonText = kOleSystemColour | 18u;

    explicit MultiOptionControl(QWidget* parent = nullptr);
    // A stored instance: the design state followed by readProperties(bag).
    explicit MultiOptionControl(const QVariantMap& bag, QWidget* parent = nullptr);
    ~MultiOptionControl() override;

    bool border() const;
    void setBorder(bool on);
    bool apperarance3D() const;
    void setApperarance3D(bool on);
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 oleColour);
    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 oleColour);
    qint32 positioning() const { return m_positioning; }
    void setPositioning(qint32 corner);
    qint32 aligning() const { return m_aligning; }
    void setAligning(qint32 direction);
    qint32 captionAligning() const { return m_captionAligning; }
    void setCaptionAligning(qint32 band);
    qint16 optionSelected() const { return m_optionSelected; }
    void setOptionSelected(qint16 index);
    qint16 optionCount() const { return m_optionCount; }
    void setOptionCount(qint16 count);
    QString caption() const;
    void setCaption(const QString& text);
    // Persisted with the others; it changes nothing.
    bool horizontal() const { return m_horizontal; }

    // New instance: defaults, system colours, then a refresh.
    void initProperties();
    // Restores the stored keys without the setters' clamping, then refreshes once.
    // A missing or unreadable key keeps its default.
    void readProperties(const QVariantMap& bag);
    // "Border" and "Appearance3D" are written only when not 0.
    QVariantMap writeProperties() const;

    // Rebuilds the buttons, shows the selection, lays out and colours everything.
    void refreshControl();

    // The control's size in twips: the one given to setTwipSize() while the pixel size
    // still matches it, otherwise the pixel size times 15.
    QSize twipSize() const;
    void setTwipSize(const QSize& twips);

    // Layout in twips, in the control's coordinates; buttons counted from 1.
    QRect optionTwips(int index) const;
    QRect captionTwips() const;

    int optionButtonCount() const { return static_cast<int>(m_options.size()); }
    QRadioButton* optionButton(int index) const; // nullptr when there is no such button
    QLabel* captionLabel() const { return m_caption; }

    // OLE colour to RGB; a value that names no colour gives black.
    static QRgb translateColour(quint32 oleColour);
    static QRgb translateColour(quint32 oleColour, const QPalette& systemColours);
    // RGB to the OLE byte order 0x00BBGGRR.
    static quint32 toOleColour(QRgb rgb);

signals:
    // A property changed through its setter; the host saves the layout again.
    void propertyChanged(const QString& name);
    // The control or one of its buttons received the focus from within its window
    // (not when the window itself becomes active again).
    void focusEntered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Option {
        QRadioButton* button = nullptr;
        QRect twips;
    };

    void rebuildOptions();
    void showSelection();
    void arrangeButtons();
    void applyColours();
    void optOption_Click(int index);

    QRadioButton* createOption(int index);
    void moveOption(int index, const QRect& twips);
    void moveCaption(const QRect& twips);
    void updateFrame();

    int m_borderStyle = 0;
    int m_appearance = 0;
    quint32 m_backColor = 0;
    quint32 m_foreColor = 0;
    qint32 m_positioning = 0;
    qint32 m_aligning = 0;
    qint32 m_captionAligning = 0;
    qint16 m_optionSelected = 0;
    qint16 m_optionCount = 0;
    bool m_horizontal = false;

    QSize m_twipSize;
    QVector<Option> m_options;
    QButtonGroup* m_group = nullptr;
    QLabel* m_caption = nullptr;
    QRect m_captionTwips;
};

} // namespace mivra
