#include "gui/app/setupscreen.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/setuplogic.h"
#include "core/slipcounter.h"
#include "core/validation.h"
#include "dispatch/slipfiles.h"
#include "gui/app/mailsetuppage.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using Widgets::button;
using Widgets::checkBox;

const QString kTitle = QStringLiteral("Revozedi Vovaro Setup Screen");
const QString kUsa = QStringLiteral("USA Style Address");
const QString kInternational = QStringLiteral("International Style Address");
const char *kUsaLabels[] = {"Company Name", "Address 1", "Address 2",    "City",        "State",
                            "Postal Code",  "Telephone", "Aux Field #1", "Aux Field #2"};
constexpr int kTwipsPerPixel = 15;
constexpr int kMaximumItems = 8;

QString rgbStyle(quint32 colour)
{
    return QStringLiteral("background-color: rgb(%1, %2, %3);")
        .arg(colour & 0xFF)
        .arg((colour >> 8) & 0xFF)
        .arg((colour >> 16) & 0xFF);
}

QComboBox *comboBox(const QStringList &items, const QString &name, bool editable, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(editable);
    c->addItems(items);
    return c;
}

} // namespace

namespace {
constexpr int kPhoneAndModemTab = 1;
}

SetupScreen::SetupScreen(Shared state, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmSetup"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
{
    setWindowTitle(kTitle);
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabSetup"));
    m_tabs->addTab(buildBusinessTab(), QStringLiteral("Business Info"));
    m_tabs->addTab(buildOperationsTab(), QStringLiteral("Operations"));
    m_tabs->addTab(buildLogoTab(), QStringLiteral("Logo"));
    m_tabs->addTab(buildHelpTab(), QStringLiteral("HELP!!!"));
    m_tabs->addTab(buildItemsTab(), QStringLiteral("Service Slip and Invoice Items"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 0)
            m_business[0]->setFocus();
        else if (index == 1)
            m_subTabs->setCurrentIndex(0);
    });
    layout->addWidget(m_tabs);

    auto *bottom = new QHBoxLayout;
    auto *advance = button(QStringLiteral("Advance Tabs"), QStringLiteral("imgAdvanceTabs"), this);
    connect(advance, &QPushButton::clicked, this,
            [this] { m_tabs->setCurrentIndex((m_tabs->currentIndex() + 1) % m_tabs->count()); });
    auto *advanceSub = button(QStringLiteral("Advance Sub-Tabs"), QStringLiteral("imgAdvanceSubTabs"), this);
    connect(advanceSub, &QPushButton::clicked, this,
            [this] { m_subTabs->setCurrentIndex((m_subTabs->currentIndex() + 1) % m_subTabs->count()); });
    auto *save = button(QStringLiteral("&Save Settings and Return to Menu"), QStringLiteral("cmdSave"), this);
    save->setToolTip(QStringLiteral("Saves Changes/Returns to Main Menu"));
    connect(save, &QPushButton::clicked, this, &SetupScreen::saveAndReturn);
    bottom->addWidget(advance);
    bottom->addWidget(advanceSub);
    bottom->addStretch();
    bottom->addWidget(save);
    layout->addLayout(bottom);

    loadFromSettings();
    resize(760, 560);
    writeControlsNamed(QStringLiteral("cmdSave|imgClearBusiness|cmdChange_\\d+")); // off on a read-only seat
}

QWidget *SetupScreen::buildBusinessTab()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    for (int i = 0; i < 9; ++i) {
        m_businessLabels[std::size_t(i)] = new QLabel(QString::fromLatin1(kUsaLabels[i]), page);
        m_businessLabels[std::size_t(i)]->setObjectName(QStringLiteral("lblBusiness_%1").arg(i));
        auto *edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("txtBusiness_%1").arg(i));
        FieldFilter::install(
            edit,
            [this](const QString &text, QChar ch) {
                return Validation::quoteKeyFilter(text, ch, m_state.settings.soundAlarm);
            },
            m_platform.messages);
        m_business[std::size_t(i)] = edit;
        grid->addWidget(m_businessLabels[std::size_t(i)], i, 0);
        grid->addWidget(edit, i, 1);
    }
    m_postalNote = new QLabel(QStringLiteral("Postal Code is Mandatory"), page);
    m_postalNote->setObjectName(QStringLiteral("lblPostalNote"));
    grid->addWidget(m_postalNote, BusinessField::PostalCode, 2);

    m_addressButton = button(kUsa, QStringLiteral("cmdAddress"), page);
    connect(m_addressButton, &QPushButton::clicked, this, [this] { setAddressStyle(!m_usaStyle); });
    grid->addWidget(m_addressButton, 9, 1);
    auto *styleNote = new QLabel(QStringLiteral("The Address Style will be used for Customer Data as well."), page);
    grid->addWidget(styleNote, 10, 1);

    auto *clear = button(QStringLiteral("Clear All Business Data"), QStringLiteral("imgClearBusiness"), page);
    connect(clear, &QPushButton::clicked, this, [this] {
        if (!m_platform.messages.ask(QStringLiteral("Do you want to reset (clear)all Business Data?"),
                                     QStringLiteral("Reset Business Data")))
            return;
        for (QLineEdit *e : m_business)
            e->clear();
        m_business[0]->setFocus();
    });
    auto *reload = button(QStringLiteral("Reload Business Data"), QStringLiteral("imgReloadBusiness"), page);
    connect(reload, &QPushButton::clicked, this, [this] {
        Settings stored;
        stored.loadBusiness(m_state.folder);
        showBusiness(stored.business);
    });
    grid->addWidget(clear, 11, 0);
    grid->addWidget(reload, 11, 1);
    grid->setRowStretch(12, 1);
    grid->setColumnStretch(1, 1);
    layOutAddress(true); // the fields keep the USA layout until the style button is clicked
    return page;
}

QWidget *SetupScreen::buildOperationsTab()
{
    m_subTabs = new QTabWidget(this);
    m_subTabs->setObjectName(QStringLiteral("SSTab1"));

    auto *days = new QWidget(m_subTabs);
    auto *daysLayout = new QVBoxLayout(days);
    const char *dayNames[] = {"optMF", "optMS", "optSF", "optSS"};
    const char *dayCaptions[] = {"Monday thru Friday", "Monday thru Saturday", "Sunday thru Friday",
                                 "Sunday thru Saturday"};
    for (int i = 0; i < 4; ++i) {
        m_workWeek[std::size_t(i)] = new QRadioButton(QString::fromLatin1(dayCaptions[i]), days);
        m_workWeek[std::size_t(i)]->setObjectName(QString::fromLatin1(dayNames[i]));
        daysLayout->addWidget(m_workWeek[std::size_t(i)]);
    }
    Widgets::optionGroup({m_workWeek.begin(), m_workWeek.end()});
    auto *agreementRow = new QHBoxLayout;
    m_agreementWeeks = new QSpinBox(days);
    m_agreementWeeks->setObjectName(QStringLiteral("txtAgreementWeeks"));
    m_agreementWeeks->setRange(1, Settings::kMostAgreementWeeks);
    m_agreementWeeks->setSuffix(QStringLiteral(" weeks"));
    m_agreementWeeks->setToolTip(QStringLiteral("At every start, and with Make Visits Now, the maintenance "
                                                "agreements make the slips of their visits this far ahead"));
    agreementRow->addWidget(new QLabel(QStringLiteral("Make the visits of maintenance agreements"), days));
    agreementRow->addWidget(m_agreementWeeks);
    agreementRow->addWidget(new QLabel(QStringLiteral("ahead"), days));
    agreementRow->addStretch();
    daysLayout->addSpacing(12);
    daysLayout->addLayout(agreementRow);
    daysLayout->addStretch();
    m_subTabs->addTab(days, QStringLiteral("Work Days"));

    auto *phone = new QWidget(m_subTabs);
    auto *phoneLayout = new QFormLayout(phone);
    m_modemPort = new QLineEdit(phone);
    m_modemPort->setObjectName(QStringLiteral("txtModemPort"));
    FieldFilter::installStorable(m_modemPort, m_platform.messages);
    phoneLayout->addRow(QStringLiteral("Modem Port"), m_modemPort);
    m_phone = checkBox(QStringLiteral("A Phone is Daisy-Chained  downstream from the Computer"),
                       QStringLiteral("ckPhone"), phone);
    phoneLayout->addRow(m_phone);
    m_callerId = checkBox(QStringLiteral("Using Caller ID"), QStringLiteral("ckCallerID"), phone);
    phoneLayout->addRow(m_callerId);
    m_callerIdNote = new QLabel(
        QStringLiteral("Modem Supports Caller ID  Check with your Phone Co for support for this feature"), phone);
    m_callerIdNote->setObjectName(QStringLiteral("lblCallid"));
    m_callerIdNote->setWordWrap(true);
    phoneLayout->addRow(m_callerIdNote);
    connect(m_callerId, &QCheckBox::toggled, m_callerIdNote, &QLabel::setVisible);
    m_subTabs->addTab(phone, QStringLiteral("Phone and Modem"));

    auto *printing = new QWidget(m_subTabs);
    auto *printLayout = new QGridLayout(printing);
    m_colour = checkBox(QStringLiteral("Print"), QStringLiteral("ckColor"), printing);
    printLayout->addWidget(m_colour, 0, 0);
    m_borders = new QLineEdit(printing);
    m_borders->setObjectName(QStringLiteral("txtBorders"));
    m_borders->setReadOnly(true);
    m_data = new QLineEdit(printing);
    m_data->setObjectName(QStringLiteral("txtData"));
    m_data->setReadOnly(true);
    m_font = new QLabel(printing);
    m_font->setObjectName(QStringLiteral("lblFont"));
    printLayout->addWidget(new QLabel(QStringLiteral("Borders"), printing), 1, 0);
    printLayout->addWidget(m_borders, 1, 1);
    printLayout->addWidget(new QLabel(QStringLiteral("Text"), printing), 2, 0);
    printLayout->addWidget(m_data, 2, 1);
    printLayout->addWidget(new QLabel(QStringLiteral("Font"), printing), 3, 0);
    printLayout->addWidget(m_font, 3, 1);
    for (int i = 1; i <= 3; ++i) {
        auto *change = button(QStringLiteral("Change"), QStringLiteral("cmdChange_%1").arg(i), printing);
        printLayout->addWidget(change, i, 2);
        connect(change, &QPushButton::clicked, this, [this, i] {
            if (i == 3) {
                if (const auto font = m_platform.choosers.font(m_font->text(), QStringLiteral("Font"))) {
                    m_font->setText(*font);
                    m_font->setFont(QFont(*font));
                }
                return;
            }
            quint32 &colour = i == 1 ? m_borderColour : m_textColour;
            if (const auto chosen = m_platform.choosers.colour(colour, QStringLiteral("Colour"))) {
                colour = *chosen;
                showColour(i == 1 ? m_borders : m_data, colour);
            }
        });
    }
    m_copies = comboBox({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, QStringLiteral("cboCopies"),
                        false, printing);
    printLayout->addWidget(new QLabel(QStringLiteral("Copies"), printing), 4, 0);
    printLayout->addWidget(m_copies, 4, 1);
    printLayout->setRowStretch(5, 1);
    m_subTabs->addTab(printing, QStringLiteral("Printing"));

    auto *invoices = new QWidget(m_subTabs);
    auto *invoiceLayout = new QFormLayout(invoices);
    m_invoiceNo = new QLineEdit(invoices);
    m_invoiceNo->setObjectName(QStringLiteral("txtInvoiceNo"));
    FieldFilter::installStorable(m_invoiceNo, m_platform.messages);
    invoiceLayout->addRow(QStringLiteral("Next Invoice No"), m_invoiceNo);
    m_plain = new QRadioButton(QStringLiteral("No Remittance Slip(use Plain Paper)"), invoices);
    m_plain->setObjectName(QStringLiteral("optPlain"));
    m_return = new QRadioButton(QStringLiteral("Print Remittance Slip (use Perforated Paper)"), invoices);
    m_return->setObjectName(QStringLiteral("optReturn"));
    invoiceLayout->addRow(m_plain);
    invoiceLayout->addRow(m_return);
    Widgets::optionGroup({m_plain, m_return});
    m_printInvoices = checkBox(QStringLiteral("Check to Print an Invoice for each Scheduled Service Request"),
                               QStringLiteral("ckPrintInvoices"), invoices);
    m_populate = checkBox(QStringLiteral("Check to Populate Invoices/Unchecked prints Blank Invoices"),
                          QStringLiteral("ckPopulate"), invoices);
    invoiceLayout->addRow(m_printInvoices);
    invoiceLayout->addRow(m_populate);
    m_invoiceCopies = comboBox({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
                               QStringLiteral("cboIcopies"), false, invoices);
    invoiceLayout->addRow(QStringLiteral("Invoice Copies"), m_invoiceCopies);
    m_subTabs->addTab(invoices, QStringLiteral("Printing Invoices"));

    auto *tax = new QWidget(m_subTabs);
    auto *taxLayout = new QGridLayout(tax);
    m_taxHeading1 = comboBox(Settings::taxHeadingChoices(), QStringLiteral("cboTaxHeading1"), true, tax);
    m_rate1 = comboBox(Settings::taxRateChoices(), QStringLiteral("cboRate1"), true, tax);
    m_taxHeading2 = comboBox(Settings::taxHeadingChoices(), QStringLiteral("cboTaxHeading2"), true, tax);
    m_rate2 = comboBox(Settings::taxRateChoices(), QStringLiteral("cboRate2"), true, tax);
    m_apply1 = checkBox(QStringLiteral("Apply 1st Tax"), QStringLiteral("ckApply1stTax"), tax);
    m_apply2 = checkBox(QStringLiteral("Apply 2nd Tax"), QStringLiteral("ckApply2ndTax"), tax);
    // Headings are stored in quotes, like the business fields; every box here is saved to a file.
    for (QComboBox *heading : {m_taxHeading1, m_taxHeading2}) {
        FieldFilter::install(
            heading->lineEdit(),
            [this](const QString &text, QChar ch) {
                return Validation::quoteKeyFilter(text, ch, m_state.settings.soundAlarm);
            },
            m_platform.messages);
    }
    FieldFilter::installStorable(m_rate1->lineEdit(), m_platform.messages);
    FieldFilter::installStorable(m_rate2->lineEdit(), m_platform.messages);
    taxLayout->addWidget(m_taxHeading1, 0, 0);
    taxLayout->addWidget(m_rate1, 0, 1);
    taxLayout->addWidget(m_apply1, 0, 2);
    taxLayout->addWidget(m_taxHeading2, 1, 0);
    taxLayout->addWidget(m_rate2, 1, 1);
    taxLayout->addWidget(m_apply2, 1, 2);
    taxLayout->setRowStretch(2, 1);
    m_subTabs->addTab(tax, QStringLiteral("Taxation"));

    auto *assistance = new QWidget(m_subTabs);
    auto *assistanceLayout = new QVBoxLayout(assistance);
    m_alarms = checkBox(QStringLiteral("Sound Alarm on Errors"), QStringLiteral("ckAlarms"), assistance);
    m_prompts = checkBox(QStringLiteral("Show Prompts and Confirmations"), QStringLiteral("ckPrompts"), assistance);
    assistanceLayout->addWidget(m_alarms);
    assistanceLayout->addWidget(m_prompts);
    assistanceLayout->addStretch();
    m_subTabs->addTab(assistance, QStringLiteral("Assistance"));
    // Last, so that the six sub-tabs keep their places; open whether or not a modem was found.
    m_subTabs->addTab(buildPhonePage(m_subTabs), QStringLiteral("Phone Page"));
    m_mail = new MailSetupPage(m_subTabs);
    m_subTabs->addTab(m_mail, QStringLiteral("E-mail"));
    return m_subTabs;
}

QWidget *SetupScreen::buildLogoTab()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    auto *hint = new QLabel(QStringLiteral("Copy your Logo picture file into the program's folder, then click Find "
                                           "to choose it. Size it with the arrows and click Store."),
                            page);
    hint->setWordWrap(true);
    grid->addWidget(hint, 0, 0, 1, 4);
    m_preview = new QLabel(page);
    m_preview->setObjectName(QStringLiteral("Image2"));
    m_preview->setFrameShape(QFrame::Box);
    m_preview->setFixedSize(1440 / kTwipsPerPixel, 1440 / kTwipsPerPixel);
    m_preview->setScaledContents(true);
    m_adjusted = new QLabel(page);
    m_adjusted->setObjectName(QStringLiteral("Image3"));
    m_adjusted->setScaledContents(true);
    m_adjusted->setFrameShape(QFrame::Box);
    grid->addWidget(m_preview, 1, 0);
    grid->addWidget(m_adjusted, 1, 1, 1, 3);
    m_logoSize = new QLabel(page);
    m_logoSize->setObjectName(QStringLiteral("lblLogoSize"));
    grid->addWidget(m_logoSize, 2, 0, 1, 4);

    const char *captions[] = {"Find",         "S&tore", "&Clear", "Make Square (Height)", "Make Square (Width)",
                              "Print Sample", "Restore"};
    for (int i = 0; i < 7; ++i) {
        auto *b = button(QString::fromLatin1(captions[i]), QStringLiteral("cmdLogo_%1").arg(i), page);
        grid->addWidget(b, 3 + i / 4, i % 4);
        connect(b, &QPushButton::clicked, this, [this, i] {
            switch (i) {
            case 0: {
                QStringList patterns;
                for (const QByteArray &format : QImageReader::supportedImageFormats())
                    patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
                const auto file = m_platform.choosers.openFile(
                    QStringLiteral("Find"), m_state.folder.root(),
                    QStringLiteral("Pictures (%1);;All (*)").arg(patterns.join(QLatin1Char(' '))));
                if (file) {
                    m_chosenLogo = *file;
                    showLogo();
                }
                break;
            }
            case 1:
                if (m_chosenLogo.isEmpty())
                    break;
                try {
                    m_state.settings.saveCompanyLogo(m_state.folder, m_chosenLogo);
                    m_state.settings.logoWidth = float(m_logoWidth);
                    m_state.settings.logoHeight = float(m_logoHeight);
                    m_state.settings.saveLogoSettings(m_state.folder);
                    inform(QStringLiteral("Your Logo has been Stored"));
                } catch (const DiskError &e) {
                    inform(e.message());
                }
                break;
            case 2:
                if (!m_platform.messages.ask(QStringLiteral("This will Delete your Company Logo"),
                                             QStringLiteral("Delete Logo")))
                    break;
                try {
                    m_state.settings.clearCompanyLogo(m_state.folder);
                } catch (const DiskError &e) {
                    inform(e.message());
                }
                m_chosenLogo.clear();
                m_logoWidth = m_logoHeight = 1440;
                showLogo();
                break;
            case 3:
                m_logoWidth = m_logoHeight;
                showLogo();
                break;
            case 4:
                m_logoHeight = m_logoWidth;
                showLogo();
                break;
            case 5:
                emit printSampleRequested(m_chosenLogo, m_logoWidth, m_logoHeight);
                break;
            default:
                m_logoWidth = m_logoHeight = 1440;
                showLogo();
            }
        });
    }
    const char *arrows[] = {"cmdWidthUp", "cmdWidthDown", "cmdHeightUp", "cmdHeightDown"};
    const char *arrowCaptions[] = {"Width +", "Width -", "Height +", "Height -"};
    for (int i = 0; i < 4; ++i) {
        auto *b = button(QString::fromLatin1(arrowCaptions[i]), QString::fromLatin1(arrows[i]), page);
        grid->addWidget(b, 5, i);
        connect(b, &QPushButton::clicked, this, [this, i] { changeLogoSize(i < 2, i % 2 == 0); });
    }
    grid->setRowStretch(6, 1);
    return page;
}

QWidget *SetupScreen::buildHelpTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    for (const char *text :
         {"Business Info: your company's name, address and telephone as they are printed on your documents.",
          "The telephone is required: its last four characters must be digits.",
          "Operations: your work week, modem, printing, invoices, taxes and whether the program beeps on errors.",
          "Logo: choose and size the picture printed on your documents.",
          "Service Slip and Invoice Items: the next slip number and the items printed on service orders.",
          "Click Save Settings and Return to Menu when you are done."}) {
        auto *label = new QLabel(QString::fromLatin1(text), page);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addStretch();
    return page;
}

QWidget *SetupScreen::buildItemsTab()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    m_nextSlip = new QLineEdit(page);
    m_nextSlip->setObjectName(QStringLiteral("txtNextSlip"));
    grid->addWidget(new QLabel(QStringLiteral("Next Slip No"), page), 0, 0);
    grid->addWidget(m_nextSlip, 0, 1);
    auto *reset = button(QStringLiteral("Reset"), QStringLiteral("cmdResetSlip"), page);
    reset->setToolTip(QStringLiteral("Sets the Slip No to 1000"));
    connect(reset, &QPushButton::clicked, this, [this] {
        m_nextSlip->setText(QStringLiteral("1000"));
        m_nextSlip->setFocus();
    });
    auto *reload = button(QStringLiteral("Reload"), QStringLiteral("cmdReloadSlip"), page);
    reload->setToolTip(QStringLiteral("Reloads the Slip No from File"));
    connect(reload, &QPushButton::clicked, this, [this] {
        m_nextSlip->setText(QString::number(m_state.slipCounter.next()));
        m_nextSlip->setFocus();
    });
    grid->addWidget(reset, 0, 2);
    grid->addWidget(reload, 0, 3);

    grid->addWidget(new QLabel(QStringLiteral("Select up to 8 items to pre-print on Service Order - Invoices"), page),
                    1, 0, 1, 4);
    m_items = new QListWidget(page);
    m_items->setObjectName(QStringLiteral("lstItems"));
    m_items->setSelectionMode(QAbstractItemView::MultiSelection);
    connect(m_items, &QListWidget::itemSelectionChanged, this, &SetupScreen::itemsSelectionChanged);
    grid->addWidget(m_items, 2, 0, 1, 2);
    m_itemsSelected = new QLabel(QStringLiteral("Items Selected = 0"), page);
    m_itemsSelected->setObjectName(QStringLiteral("lblItemsSelected"));
    grid->addWidget(m_itemsSelected, 3, 0, 1, 2);

    m_selectedPanel = new QGroupBox(QStringLiteral("Selected Services and Items"), page);
    m_selectedPanel->setObjectName(QStringLiteral("fraSelectedItems"));
    auto *panelLayout = new QVBoxLayout(m_selectedPanel);
    m_currentItems = new QListWidget(m_selectedPanel);
    m_currentItems->setObjectName(QStringLiteral("lstCurrentItems"));
    panelLayout->addWidget(m_currentItems);
    grid->addWidget(m_selectedPanel, 2, 2, 1, 2);
    m_selectedPanel->hide();

    const char *captions[] = {"Create", "Rebuild", "Close Window", "A List Exists    Display the  List"};
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto *b = button(QString::fromLatin1(captions[i]), QStringLiteral("cmdServiceOrder_%1").arg(i), page);
        buttons->addWidget(b);
        if (i == 3)
            m_displayList = b;
    }
    connect(page->findChild<QPushButton *>(QStringLiteral("cmdServiceOrder_0")), &QPushButton::clicked, this,
            &SetupScreen::createCurrentItems);
    connect(page->findChild<QPushButton *>(QStringLiteral("cmdServiceOrder_1")), &QPushButton::clicked, this,
            &SetupScreen::rebuildCurrentItems);
    connect(page->findChild<QPushButton *>(QStringLiteral("cmdServiceOrder_2")), &QPushButton::clicked, m_selectedPanel,
            &QWidget::hide);
    connect(m_displayList, &QPushButton::clicked, m_selectedPanel, &QWidget::show);
    grid->addLayout(buttons, 4, 0, 1, 4);
    grid->setRowStretch(2, 1);
    return page;
}

void SetupScreen::loadFromSettings()
{
    const Settings &s = m_state.settings;
    showBusiness(s.business);
    // The whole style of the stored data, so that the screen shows what the documents print.
    setAddressStyle(!SetupLogic::internationalStyleAtLoad(s.business));
    m_state.usaAddressStyle = m_usaStyle;

    switch (s.workWeek) {
    case WorkWeek::MondayToSaturday:
        m_workWeek[1]->setChecked(true);
        break;
    case WorkWeek::SundayToFriday:
        m_workWeek[2]->setChecked(true);
        break;
    case WorkWeek::SundayToSaturday:
        m_workWeek[3]->setChecked(true);
        break;
    default:
        m_workWeek[0]->setChecked(true);
    }
    m_agreementWeeks->setValue(s.agreementWeeks);
    if (s.modemPort > 0)
        m_modemPort->setText(QString::number(s.modemPort));
    m_phone->setChecked(s.phoneDaisyChained);
    m_callerId->setChecked(s.callerId);
    m_callerIdNote->setVisible(s.callerId);
    m_colour->setChecked(s.printInColour);
    m_borderColour = s.borderColour;
    m_textColour = s.textColour;
    showColour(m_borders, m_borderColour);
    showColour(m_data, m_textColour);
    m_font->setText(s.fontName);
    m_font->setFont(QFont(s.fontName));
    m_copies->setCurrentIndex(std::clamp(int(s.copies), 1, 3) - 1);
    m_invoiceNo->setText(QString::number(s.invoiceNumber));
    (s.plainPaper ? m_plain : m_return)->setChecked(true);
    m_printInvoices->setChecked(s.invoicePerRequest);
    m_populate->setChecked(s.populateInvoices);
    m_invoiceCopies->setCurrentIndex(std::clamp(int(s.invoiceCopies), 1, 3) - 1);
    m_taxHeading1->setCurrentText(s.taxHeading1);
    m_taxHeading2->setCurrentText(s.taxHeading2);
    m_rate1->setCurrentText(s.taxRate1);
    m_rate2->setCurrentText(s.taxRate2);
    m_apply1->setChecked(s.applyTax1);
    m_apply2->setChecked(s.applyTax2);
    m_alarms->setChecked(s.soundAlarm);
    m_prompts->setChecked(s.showPrompts);
    m_chosenLogo = SetupLogic::resolveLogoPath(m_state.folder, s.logoPath);
    m_logoWidth = int(s.logoWidth);
    m_logoHeight = int(s.logoHeight);
    showLogo();
    m_nextSlip->setText(QString::number(m_state.slipCounter.next()));
    m_items->clear();
    m_items->addItems(SetupLogic::itemNames(m_state.folder, QStringLiteral("/VIInventoriedItems.txt")));
    reloadCurrentItems();
    m_mailStored.load(m_state.folder);
    m_passwordStored = MailSettings::loadPassword();
    m_mail->show(m_mailStored, m_passwordStored);
}

void SetupScreen::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    m_tabs->setCurrentIndex(0);
    m_business[0]->setFocus();
    if (!event->spontaneous())
        m_opened = shown();
}

void SetupScreen::setModemPort(int port)
{
    m_modemPort->setText(QString::number(port));
    m_subTabs->setTabEnabled(kPhoneAndModemTab, true); // a modem was found: its settings apply again
}

void SetupScreen::clearPhoneSettings()
{
    m_phone->setChecked(false);
    m_state.settings.phoneDaisyChained = false;
    // No modem to set up: its tab is off until a search finds one.
    m_subTabs->setTabEnabled(kPhoneAndModemTab, false);
}

void SetupScreen::showBusiness(const Settings::Business &business)
{
    // A stored fourth address line is shown whole, whatever the layout: a save must not cut it.
    QLineEdit *state = m_business[BusinessField::State];
    state->setMaxLength(std::max(state->maxLength(), int(business[BusinessField::State].size())));
    for (int i = 0; i < 9; ++i)
        m_business[std::size_t(i)]->setText(business[std::size_t(i)]);
}

void SetupScreen::setAddressStyle(bool usa)
{
    m_usaStyle = usa;
    m_addressButton->setText(usa ? kUsa : kInternational);
    layOutAddress(usa);
}

void SetupScreen::layOutAddress(bool usa)
{
    m_businessLabels[BusinessField::City]->setText(usa ? QStringLiteral("City") : QStringLiteral("Address 3"));
    m_businessLabels[BusinessField::State]->setText(usa ? QStringLiteral("State") : QStringLiteral("Address 4"));
    m_businessLabels[BusinessField::PostalCode]->setVisible(usa);
    m_postalNote->setVisible(usa);
    QLineEdit *postal = m_business[BusinessField::PostalCode];
    postal->setVisible(usa);
    if (!usa)
        postal->clear();
    QLineEdit *city = m_business[BusinessField::City];
    QLineEdit *state = m_business[BusinessField::State];
    city->setMaximumWidth((usa ? 3150 : 5385) / kTwipsPerPixel);
    state->setMaximumWidth((usa ? 390 : 5385) / kTwipsPerPixel + (usa ? 12 : 0));
    // A stored fourth address line is never cut: the two-letter limit holds once the user chose the USA style.
    state->setMaxLength(usa && state->text().size() <= 2 ? 2 : 55);
}

void SetupScreen::showColour(QLineEdit *sample, quint32 colour)
{
    sample->setStyleSheet(rgbStyle(colour));
}

void SetupScreen::showLogo()
{
    const QPixmap picture(m_chosenLogo);
    m_preview->setPixmap(picture);
    m_adjusted->setPixmap(picture);
    m_adjusted->setFixedSize(std::max(1, m_logoWidth / kTwipsPerPixel), std::max(1, m_logoHeight / kTwipsPerPixel));
    m_logoSize->setText(QStringLiteral("Width %1 twips, Height %2 twips").arg(m_logoWidth).arg(m_logoHeight));
}

void SetupScreen::changeLogoSize(bool width, bool up)
{
    int &size = width ? m_logoWidth : m_logoHeight;
    size = up ? SetupLogic::logoSizeUp(size) : SetupLogic::logoSizeDown(size);
    showLogo();
}

void SetupScreen::itemsSelectionChanged()
{
    const int count = int(m_items->selectedItems().size());
    m_itemsSelected->setText(QStringLiteral("Items Selected = %1").arg(count));
    if (count == kMaximumItems && m_lastSelectionCount < kMaximumItems)
        inform(QStringLiteral("You have made the maximum allowable Selections"));
    m_lastSelectionCount = count;
}

void SetupScreen::createCurrentItems()
{
    QStringList chosen;
    for (int i = 0; i < m_items->count(); ++i) {
        if (m_items->item(i)->isSelected())
            chosen.append(m_items->item(i)->text());
    }
    if (chosen.isEmpty()) {
        inform(QStringLiteral("You have not Selected any Items"));
        return;
    }
    if (!m_platform.messages.ask(QStringLiteral("Any existing list will be deleted\r\nAre you Sure?"),
                                 QStringLiteral("Confirm Deletion")))
        return;
    try {
        SetupLogic::writeCurrentItems(m_state.folder, chosen);
    } catch (const DiskError &e) {
        inform(e.message());
    }
    m_items->clearSelection();
    reloadCurrentItems();
    m_selectedPanel->show();
}

void SetupScreen::rebuildCurrentItems()
{
    if (!m_platform.messages.ask(QStringLiteral("Are you sure?"), QStringLiteral("Confirm Deletion")))
        return;
    try {
        SetupLogic::writeCurrentItems(m_state.folder, {});
    } catch (const DiskError &e) {
        inform(e.message());
    }
    reloadCurrentItems();
    m_selectedPanel->hide();
}

void SetupScreen::reloadCurrentItems()
{
    m_currentItems->clear();
    m_currentItems->addItems(SetupLogic::itemNames(m_state.folder, QStringLiteral("/CurrentItems.txt")));
    m_displayList->setVisible(m_state.folder.fileExists(QStringLiteral("/CurrentItems.txt")));
}

Settings SetupScreen::editedSettings() const
{
    Settings s = m_state.settings;
    for (int i = 0; i < 9; ++i)
        s.business[std::size_t(i)] = m_business[std::size_t(i)]->text();
    s.taxHeading1 = m_taxHeading1->currentText();
    s.taxHeading2 = m_taxHeading2->currentText();
    s.taxRate1 = m_rate1->currentText();
    s.taxRate2 = m_rate2->currentText();
    s.applyTax1 = m_apply1->isChecked();
    s.applyTax2 = m_apply2->isChecked();
    const WorkWeek weeks[] = {WorkWeek::MondayToFriday, WorkWeek::MondayToSaturday, WorkWeek::SundayToFriday,
                              WorkWeek::SundayToSaturday};
    for (int i = 0; i < 4; ++i) {
        if (m_workWeek[std::size_t(i)]->isChecked())
            s.workWeek = weeks[i];
    }
    s.agreementWeeks = qint16(m_agreementWeeks->value());
    s.invoiceCopies = qint16(m_invoiceCopies->currentIndex() + 1);
    s.invoicePerRequest = m_printInvoices->isChecked();
    s.populateInvoices = m_populate->isChecked();
    s.plainPaper = m_plain->isChecked();
    s.showPrompts = m_prompts->isChecked();
    s.soundAlarm = m_alarms->isChecked();
    s.borderColour = m_borderColour;
    s.textColour = m_textColour;
    s.fontName = m_font->text();
    s.printInColour = m_colour->isChecked();
    s.copies = quint8(m_copies->currentIndex() + 1);
    s.logoWidth = float(m_logoWidth);
    s.logoHeight = float(m_logoHeight);
    s.phoneDaisyChained = m_phone->isChecked();
    s.callerId = m_callerId->isChecked();
    bool ok = false;
    const int port = m_modemPort->text().trimmed().toInt(&ok);
    if (ok && port >= 0 && port <= 32767)
        s.modemPort = qint16(port);
    const qint64 invoice = m_invoiceNo->text().trimmed().toLongLong(&ok);
    if (ok && invoice > 0 && invoice <= std::numeric_limits<qint32>::max())
        s.invoiceNumber = qint32(invoice);
    return s;
}

bool SetupScreen::refuseBadFields()
{
    SetupLogic::EditedFields fields;
    for (int i = 0; i < 9; ++i)
        fields.business[std::size_t(i)] = m_business[std::size_t(i)]->text();
    fields.usaStyle = m_usaStyle;
    fields.invoiceNumber = m_invoiceNo->text();
    fields.storedInvoiceNumber = m_state.settings.invoiceNumber;
    // With no modem its tab is off, and what it holds is not the user's to correct.
    fields.modemPort = m_subTabs->isTabEnabled(kPhoneAndModemTab) ? m_modemPort->text() : QString();
    fields.taxRate1 = m_rate1->currentText();
    fields.taxRate2 = m_rate2->currentText();
    const auto problem = SetupLogic::checkFields(fields);
    if (!problem)
        return false;
    inform(problem->text);
    using Field = SetupLogic::FieldProblem::Field;
    QWidget *box = nullptr;
    int subTab = -1;
    switch (problem->field) {
    case Field::PostalCode:
        box = m_business[BusinessField::PostalCode];
        break;
    case Field::InvoiceNumber:
        box = m_invoiceNo;
        subTab = 3;
        break;
    case Field::ModemPort:
        box = m_modemPort;
        subTab = 1;
        break;
    case Field::TaxRate1:
        box = m_rate1;
        subTab = 4;
        break;
    case Field::TaxRate2:
        box = m_rate2;
        subTab = 4;
        break;
    }
    m_tabs->setCurrentIndex(subTab < 0 ? 0 : 1);
    if (subTab >= 0)
        m_subTabs->setCurrentIndex(subTab);
    box->setFocus();
    return true;
}

SetupScreen::Shown SetupScreen::shown() const
{
    return {editedSettings(), m_nextSlip->text(), m_usaStyle, m_chosenLogo, m_mail->edited(), m_mail->password()};
}

std::optional<ProgramWindow::UnsavedWork> SetupScreen::unsavedWork()
{
    if (!m_opened || shown() == *m_opened)
        return std::nullopt;
    return UnsavedWork{&m_platform.messages,
                       QStringLiteral("The settings changed here have not been saved.\r\n"
                                      "Save them before the screen closes?"),
                       QStringLiteral("Setup"),
                       [this] {
                           if (!saveSettings())
                               return false;
                           emit saved();
                           return true;
                       },
                       {}};
}

void SetupScreen::saveAndReturn()
{
    if (!saveSettings())
        return;
    closeByProgram();
    emit saved();
}

bool SetupScreen::saveSettings()
{
    // A box the files cannot take as it reads is refused before anything is written.
    if (refuseBadFields())
        return false;
    // The mail settings in use must name a sender the server and the customers can take.
    const MailSettings mail = m_mail->edited();
    if (!mail.host.isEmpty() && !mail.problem().isEmpty()) {
        inform(mail.problem());
        m_tabs->setCurrentIndex(1);
        m_subTabs->setCurrentWidget(m_mail);
        return false;
    }
    SetupLogic::SaveOutcome outcome;
    try {
        outcome = SetupLogic::save(m_state.folder, m_state.settings, m_state.slipCounter, editedSettings(),
                                   m_nextSlip->text());
    } catch (const DiskError &e) {
        inform(e.message());
        return false;
    }
    switch (outcome) {
    case SetupLogic::SaveOutcome::TelephoneInvalid:
        inform(Validation::kTelephoneInvalid);
        m_tabs->setCurrentIndex(0);
        m_business[BusinessField::Telephone]->clear();
        m_business[BusinessField::Telephone]->setFocus();
        return false;
    case SetupLogic::SaveOutcome::SlipNotNumeric:
        inform(Validation::checkSlipNumber(m_nextSlip->text()).error.value_or(Notice{}).text);
        m_tabs->setCurrentIndex(4);
        m_nextSlip->setFocus();
        return false;
    case SetupLogic::SaveOutcome::FilesMissing:
        inform(QStringLiteral("You Have Not Created All Required Files"));
        m_tabs->setCurrentIndex(0);
        return false;
    case SetupLogic::SaveOutcome::Saved:
        break;
    }
    // A number typed back to one a stored slip has moves past the slips: no new slip takes it again.
    if (const auto note = m_state.slipCounter.followSlipsInUse(m_state.folder, highestSlipNumber(m_state.folder)))
        inform(*note);
    m_state.usaAddressStyle = m_usaStyle;
    // The mail settings are written when they changed: an office that does not e-mail gets no file of them.
    try {
        if (!(mail == m_mailStored))
            mail.save(m_state.folder);
        m_mailStored = mail;
    } catch (const DiskError &e) {
        inform(e.message());
        return false;
    }
    if (m_mail->password() != m_passwordStored) {
        if (const QString problem = MailSettings::savePassword(m_mail->password()); !problem.isEmpty()) {
            inform(problem);
            return false;
        }
        m_passwordStored = m_mail->password();
    }
    m_opened = shown();
    return true;
}

void SetupScreen::inform(const QString &text)
{
    m_platform.messages.inform(text, QStringLiteral("Setup"));
}

QWidget *SetupScreen::buildPhonePage(QWidget *parent)
{
    auto *page = new QWidget(parent);
    auto *outer = new QVBoxLayout(page);
    auto *frame = new QGroupBox(QStringLiteral("Technicians' phone page"), page);
    frame->setObjectName(QStringLiteral("fraPhonePage"));
    outer->addWidget(frame);
    outer->addStretch();
    auto *layout = new QFormLayout(frame);
    m_phonePage = checkBox(QStringLiteral("Serve the technicians' day to their phones on the office network"),
                           QStringLiteral("ckPhonePage"), frame);
    layout->addRow(m_phonePage);
    m_phoneAddress = new QComboBox(frame);
    m_phoneAddress->setObjectName(QStringLiteral("cboPhoneAddress"));
    m_phoneAddress->addItem(QStringLiteral("All of this computer's addresses"), QString());
    for (const QString &address : PhonePageOptions::officeAddresses())
        m_phoneAddress->addItem(address, address);
    layout->addRow(QStringLiteral("Address"), m_phoneAddress);
    m_phonePort = new QLineEdit(QString::number(PhonePageOptions::kDefaultPort), frame);
    m_phonePort->setObjectName(QStringLiteral("txtPhonePort"));
    m_phonePort->setMaxLength(5);
    layout->addRow(QStringLiteral("Port"), m_phonePort);
    m_phonePlainHttp =
        checkBox(QStringLiteral("Plain HTTP, without encryption"), QStringLiteral("ckPhonePlainHttp"), frame);
    layout->addRow(m_phonePlainHttp);
    m_phonePlainWarning = new QLabel(
        QStringLiteral("Without encryption, anyone on the office network can read the phones' tokens and the "
                       "customers' names, addresses and telephone numbers, and can act as a paired phone. Use it "
                       "only on a network that no one else can join."),
        frame);
    m_phonePlainWarning->setObjectName(QStringLiteral("lblPhonePlainWarning"));
    m_phonePlainWarning->setWordWrap(true);
    m_phonePlainWarning->setStyleSheet(QStringLiteral("color: #b3261e; font-weight: bold;"));
    m_phonePlainWarning->hide();
    layout->addRow(m_phonePlainWarning);
    m_phonePageAddress = new QLineEdit(frame);
    m_phonePageAddress->setObjectName(QStringLiteral("txtPhonePageAddress"));
    m_phonePageAddress->setReadOnly(true);
    layout->addRow(QStringLiteral("Page address"), m_phonePageAddress);
    // Shown whole, in two lines of fixed-width characters, so that it reads side by side with the phone's.
    m_phoneFingerprint = new QLabel(frame);
    m_phoneFingerprint->setObjectName(QStringLiteral("lblPhoneFingerprint"));
    m_phoneFingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_phoneFingerprint->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_phoneFingerprint->setToolTip(
        QStringLiteral("The phone's browser shows the same fingerprint for the office's certificate."));
    layout->addRow(QStringLiteral("Fingerprint (SHA-256)"), m_phoneFingerprint);
    m_phoneStatus = new QLabel(QStringLiteral("The phone page is off."), frame);
    m_phoneStatus->setObjectName(QStringLiteral("lblPhoneStatus"));
    m_phoneStatus->setWordWrap(true);
    layout->addRow(m_phoneStatus);

    connect(m_phonePage, &QCheckBox::toggled, this, &SetupScreen::phonePageEdited);
    connect(m_phonePlainHttp, &QCheckBox::toggled, this, &SetupScreen::phonePageEdited);
    connect(m_phoneAddress, &QComboBox::currentIndexChanged, this, &SetupScreen::phonePageEdited);
    connect(m_phonePort, &QLineEdit::editingFinished, this, [this] {
        if (m_phonePort->text().trimmed() == QString::number(m_phonePortShown))
            return;
        if (!PhonePageOptions::parsePort(m_phonePort->text())) {
            m_phonePort->setText(QString::number(m_phonePortShown));
            inform(QStringLiteral("The port must be a whole number from 1024 to 65535."));
            return;
        }
        phonePageEdited();
    });
    return page;
}

PhonePageOptions SetupScreen::phonePageOptions() const
{
    PhonePageOptions options;
    options.on = m_phonePage->isChecked();
    options.address = m_phoneAddress->currentData().toString();
    options.port = PhonePageOptions::parsePort(m_phonePort->text()).value_or(m_phonePortShown);
    options.plainHttp = m_phonePlainHttp->isChecked();
    return options;
}

void SetupScreen::phonePageEdited()
{
    m_phonePlainWarning->setVisible(m_phonePlainHttp->isChecked());
    if (!m_showingPhonePage)
        emit phonePageChanged(phonePageOptions());
}

void SetupScreen::showPhonePage(const PhonePageOptions &options, const QString &address, const QString &fingerprint,
                                const QString &problem)
{
    m_showingPhonePage = true;
    m_phonePage->setChecked(options.on);
    int index = m_phoneAddress->findData(options.address);
    if (index < 0) { // an address this computer no longer has: shown all the same, to be changed
        m_phoneAddress->addItem(options.address, options.address);
        index = m_phoneAddress->count() - 1;
    }
    m_phoneAddress->setCurrentIndex(index);
    m_phonePortShown = options.port;
    m_phonePort->setText(QString::number(options.port));
    m_phonePlainHttp->setChecked(options.plainHttp);
    m_phonePlainWarning->setVisible(options.plainHttp);
    m_phonePageAddress->setText(address);
    m_phoneFingerprint->setText(fingerprint.left(47) + (fingerprint.size() > 47 ? QStringLiteral("\n") : QString()) +
                                fingerprint.mid(48));
    if (!problem.isEmpty())
        m_phoneStatus->setText(problem);
    else if (!options.on)
        m_phoneStatus->setText(QStringLiteral("The phone page is off: nothing listens on the network."));
    else if (options.plainHttp)
        m_phoneStatus->setText(QStringLiteral("Serving the phone page without encryption."));
    else
        m_phoneStatus->setText(QStringLiteral("Serving the phone page. Compare the fingerprint with the one the "
                                              "phone's browser shows before you accept the certificate."));
    m_showingPhonePage = false;
}
