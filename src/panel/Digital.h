#pragma once

#include <QFont>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

namespace nd::panel {

/// The main window's value text in big characters. It copies the text as it stands, so
/// it shows whatever the main window shows: a level, "OL", "----" or a dose.
class Digital final : public QWidget {
    Q_OBJECT

public:
    Digital(std::function<QString()> valueText, QWidget* mainWindow);

    /// One timer tick.
    void refresh();

    /// The largest pixel size at which every character of sample fits the box.
    static int fittingPixelSize(QFont font, const QString& sample, QSize box);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitFont();

    std::function<QString()> m_valueText;
    QLabel* m_LblValue = nullptr;
    QLabel* m_Label1 = nullptr;
    QTimer* m_Timer1 = nullptr;
};

} // namespace nd::panel
