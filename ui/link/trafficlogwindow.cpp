#include "ui/link/trafficlogwindow.h"

#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/logcategories.h"
#include "ui/dialogs/popups.h"
#include "ui/link/trafficlogmodel.h"
#include "ui_trafficlogwindow.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QIntValidator>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>

namespace {

// An empty bound is no bound.
int addressBound(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

QString milliseconds(double ms) { return QString::number(ms, 'f', 1); }

} // namespace

TrafficLogWindow::TrafficLogWindow(TrafficLog &traffic, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TrafficLogWindow)
    , traffic(traffic)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
        | Qt::WindowCloseButtonHint);

    tableModel = new TrafficLogModel(traffic, this);
    QTableView *table = ui->tableTraffic;
    table->setModel(tableModel);
    // Fixed row heights and column widths: nothing is measured per row.
    table->verticalHeader()->hide();
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerItem); // refresh() keeps the place in rows
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->ensurePolished(); // the style sheet's font decides the row height
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    QHeaderView *columns = table->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setSectionResizeMode(TrafficLogModel::ColumnValues, QHeaderView::Stretch);
    fitColumns();

    for (QLineEdit *edit : {ui->lineEditAddressFrom, ui->lineEditAddressTo}) {
        edit->setValidator(new QIntValidator(0, 65535, edit));
        connect(edit, &QLineEdit::textChanged, this, &TrafficLogWindow::applyAddressFilter);
    }

    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(RefreshIntervalMs);
    connect(refreshTimer, &QTimer::timeout, this, &TrafficLogWindow::refreshWhenDue);
    showStatistics();
}

TrafficLogWindow::~TrafficLogWindow() { delete ui; }

void TrafficLogWindow::refresh()
{
    QScrollBar *bar = ui->tableTraffic->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int offset = bar->value();
    const TrafficLogModel::Batch batch = tableModel->takeNewRecords();
    if (batch.added > 0 || batch.removed > 0)
        lastBatch.start();
    if (following) {
        if (batch.added > 0 || batch.removed > 0)
            ui->tableTraffic->scrollToBottom();
    } else if (batch.removed > 0) {
        // Rows left at the top: the rows being read stay where they are.
        bar->setValue(qMax(0, offset - batch.removed));
    }
    showStatistics();
}

void TrafficLogWindow::refreshWhenDue()
{
    if (lastBatch.isValid() && lastBatch.elapsed() < BatchIntervalMs)
        return;
    refresh();
}

void TrafficLogWindow::showStatistics()
{
    const TrafficStatistics s = traffic.statistics();
    // Answered requests (ok or exception) are the ones with a round trip.
    const bool answered = s.requests > s.failures - s.exceptions;
    const QString none = QStringLiteral("-");
    const QString text = tr("Requests: %1   Failures: %2   Time-outs: %3   Exceptions: %4   "
                            "Round trip: mean %5 ms, 95th percentile %6 ms, worst %7 ms")
                             .arg(s.requests)
                             .arg(s.failures)
                             .arg(s.timeouts)
                             .arg(s.exceptions)
                             .arg(answered ? milliseconds(s.meanMs) : none)
                             .arg(answered ? milliseconds(s.p95Ms) : none)
                             .arg(answered ? milliseconds(s.worstMs) : none);
    if (ui->label_TrafficStats->text() != text)
        ui->label_TrafficStats->setText(text);
}

bool TrafficLogWindow::saveCsv(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !tableModel->writeCsv(&file) || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void TrafficLogWindow::on_Btn_TrafficPause_toggled(bool checked)
{
    tableModel->setPaused(checked);
    ui->Btn_TrafficPause->setText(checked ? tr("Resume") : tr("Pause"));
    if (!checked)
        refresh();
}

void TrafficLogWindow::on_Btn_TrafficClear_clicked()
{
    tableModel->clear();
    showStatistics();
}

void TrafficLogWindow::on_Btn_TrafficSave_clicked()
{
    QDir().mkpath(exportDirectory());
    const QString proposed = exportDirectory() + QStringLiteral("/Traffic_")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")) + QStringLiteral(".csv");
    const QString path
        = QFileDialog::getSaveFileName(this, tr("Save Traffic"), proposed, tr("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (saveCsv(path, &error)) {
        qCDebug(lcUi).noquote() << "traffic saved:" << path << tableModel->rowCount() << "rows";
        showNoticeDialog(tr("Tip"), tr("Traffic saved: %1 rows.").arg(tableModel->rowCount()),
            NoticeKind::Success, 0, this);
    } else {
        qCDebug(lcUi).noquote() << "traffic not saved:" << path << error;
        showNoticeDialog(
            tr("Tip"), tr("The traffic file could not be written!"), NoticeKind::Failure, 1, this);
    }
}

void TrafficLogWindow::on_checkErrorsOnly_toggled(bool checked)
{
    tableModel->setErrorsOnly(checked);
    ui->tableTraffic->scrollToBottom();
}

void TrafficLogWindow::applyAddressFilter()
{
    tableModel->setAddressRange(
        addressBound(ui->lineEditAddressFrom->text()), addressBound(ui->lineEditAddressTo->text()));
    ui->tableTraffic->scrollToBottom();
}

void TrafficLogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // What came while the window was hidden (within the ring), then a few times a second.
    refresh();
    ui->tableTraffic->scrollToBottom();
    refreshTimer->start();
}

void TrafficLogWindow::hideEvent(QHideEvent *event)
{
    refreshTimer->stop();
    QWidget::hideEvent(event);
}

void TrafficLogWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void TrafficLogWindow::fitColumns()
{
    // Widths from the texts the columns can hold, measured once (not per row).
    QTableView *table = ui->tableTraffic;
    table->horizontalHeader()->ensurePolished();
    const QFontMetrics cells = table->fontMetrics();
    const QFontMetrics headers = table->horizontalHeader()->fontMetrics();
    const int padding = 2 * cells.horizontalAdvance(QLatin1Char('0')) + 8;
    auto widest = [&](int column, const QStringList &samples) {
        int width
            = headers.horizontalAdvance(tableModel->headerData(column, Qt::Horizontal).toString()) + padding;
        for (const QString &sample : samples)
            width = qMax(width, cells.horizontalAdvance(sample) + padding);
        table->horizontalHeader()->resizeSection(column, width);
    };
    widest(TrafficLogModel::ColumnTime, {QStringLiteral("00:00:00.000")});
    QStringList functions;
    for (TrafficFunction f : {TrafficFunction::ReadHolding, TrafficFunction::ReadCoils,
             TrafficFunction::WriteHolding, TrafficFunction::WriteCoil})
        functions << TrafficLogModel::functionText(f);
    widest(TrafficLogModel::ColumnFunction, functions);
    widest(TrafficLogModel::ColumnAddress, {QStringLiteral("00000")});
    widest(TrafficLogModel::ColumnCount, {QStringLiteral("0000")});
    // The long exception names are cut off here; the cell's tool tip has them whole.
    widest(TrafficLogModel::ColumnResult,
        {TrafficLogModel::resultText(NoConnection, 0), TrafficLogModel::resultText(ResponseError, 99)});
    widest(TrafficLogModel::ColumnRoundTrip, {QStringLiteral("00000.0")});
}

void TrafficLogWindow::retranslate()
{
    ui->retranslateUi(this);
    fitColumns();
    if (ui->Btn_TrafficPause->isChecked())
        ui->Btn_TrafficPause->setText(tr("Resume"));
    tableModel->retranslate();
    showStatistics();
}
