#include "help/ChmViewerWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "help/ChmSitemap.h"

namespace qv::help {

namespace {

constexpr int kTopicRole = Qt::UserRole;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// "a.htm#part" → "a.htm"; leading "/" and "./" dropped; backslashes made forward.
std::string topicPath(std::string topic) {
    topic = topic.substr(0, topic.find('#'));
    for (char& c : topic) {
        if (c == '\\') {
            c = '/';
        }
    }
    while (topic.starts_with("/") || topic.starts_with("./")) {
        topic.erase(0, topic.starts_with("/") ? 1 : 2);
    }
    return topic;
}

QUrl topicUrl(const std::string& topic) {
    std::string path = topicPath(topic);
    std::size_t hash = topic.find('#');
    QUrl url;
    url.setScheme(ChmTopicBrowser::kScheme);
    url.setPath("/" + fromUtf8(path));
    if (hash != std::string::npos) {
        url.setFragment(fromUtf8(topic.substr(hash + 1)));
    }
    return url;
}

void addEntries(QTreeWidgetItem* parent, QTreeWidget* tree,
                const std::vector<SitemapEntry>& entries) {
    for (const SitemapEntry& entry : entries) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, fromUtf8(entry.name));
        if (!entry.locals.empty()) {
            item->setData(0, kTopicRole, fromUtf8(entry.locals.front()));
        }
        addEntries(item, tree, entry.children);
    }
}

void addKeywords(QListWidget* list, const std::vector<SitemapEntry>& entries,
                 const QString& indent) {
    for (const SitemapEntry& entry : entries) {
        auto* item = new QListWidgetItem(indent + fromUtf8(entry.name), list);
        if (!entry.locals.empty()) {
            item->setData(kTopicRole, fromUtf8(entry.locals.front()));
        }
        addKeywords(list, entry.children, indent + "    ");
    }
}

}  // namespace

ChmTopicBrowser::ChmTopicBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &ChmTopicBrowser::followLink);
}

void ChmTopicBrowser::setArchive(const ChmArchive* archive) {
    m_archive = archive;
}

QVariant ChmTopicBrowser::loadResource(int type, const QUrl& name) {
    QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (!m_archive || url.scheme() != kScheme) {
        return {};
    }
    std::optional<std::string> bytes =
        m_archive->read(topicPath(url.path(QUrl::FullyDecoded).toStdString()));
    if (!bytes) {
        return {};
    }
    switch (type) {
        case QTextDocument::HtmlResource:
            return fromUtf8(htmlToUtf8(*bytes));
        case QTextDocument::StyleSheetResource:
            return fromUtf8(helpTextToUtf8(*bytes));
        default:
            return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
    }
}

void ChmTopicBrowser::followLink(const QUrl& link) {
    QUrl url = link.isRelative() ? source().resolved(link) : link;
    // Only pages of the help file itself are followed; the help has no business elsewhere.
    if (url.scheme() != kScheme || !m_archive) {
        return;
    }
    if (url.path() == source().path() && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
    if (m_archive->contains(topicPath(url.path(QUrl::FullyDecoded).toStdString()))) {
        setSource(url);
    }
}

ChmViewerWindow::ChmViewerWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("QelHtmlHelpWindow");
    setWindowTitle("Ayuda");
    resize(940, 620);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName("navigation");

    m_contents = new QTreeWidget;
    m_contents->setObjectName("contents");
    m_contents->setHeaderHidden(true);
    m_tabs->addTab(m_contents, "Contenido");

    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    m_indexFilter = new QLineEdit;
    m_indexFilter->setObjectName("indexFilter");
    m_indexFilter->setPlaceholderText("Escriba la palabra que busca");
    m_index = new QListWidget;
    m_index->setObjectName("index");
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_index);
    m_tabs->addTab(indexPage, "Índice");

    m_browser = new ChmTopicBrowser;
    m_browser->setObjectName("topic");

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 640});

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(m_contents, &QTreeWidget::itemActivated, this, &ChmViewerWindow::itemActivated);
    connect(m_contents, &QTreeWidget::itemClicked, this, &ChmViewerWindow::itemActivated);
    connect(m_indexFilter, &QLineEdit::textEdited, this, &ChmViewerWindow::selectIndexEntry);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, [this] {
        if (QListWidgetItem* item = m_index->currentItem()) {
            showTopic(item->data(kTopicRole).toString().toStdString());
        }
    });
    connect(m_index, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        showTopic(item->data(kTopicRole).toString().toStdString());
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, &ChmViewerWindow::syncContents);
}

ChmViewerWindow::~ChmViewerWindow() {
    // The browser reads from the archive until it goes.
    m_browser->setArchive(nullptr);
}

void ChmViewerWindow::setArchive(std::unique_ptr<ChmArchive> archive) {
    m_browser->setArchive(nullptr);
    m_browser->clear();
    m_browser->clearHistory();
    m_archive = std::move(archive);
    m_browser->setArchive(m_archive.get());
    std::string title = m_archive ? helpTextToUtf8(m_archive->title()) : std::string();
    setWindowTitle(title.empty() ? QString("Ayuda") : fromUtf8(title));
    fillContents();
    fillIndex();
}

void ChmViewerWindow::fillContents() {
    m_contents->clear();
    if (!m_archive) {
        return;
    }
    std::optional<std::string> hhc = m_archive->read(m_archive->contentsFile());
    if (hhc) {
        addEntries(nullptr, m_contents, parseSitemap(*hhc));
    }
    m_contents->expandAll();
}

void ChmViewerWindow::fillIndex() {
    m_index->clear();
    m_indexFilter->clear();
    if (!m_archive) {
        return;
    }
    std::optional<std::string> hhk = m_archive->read(m_archive->indexFile());
    if (hhk) {
        addKeywords(m_index, parseSitemap(*hhk), {});
    }
}

void ChmViewerWindow::showContents() {
    m_tabs->setCurrentWidget(m_contents);
    if (!currentTopic().empty() || !m_archive) {
        return;
    }
    if (showTopic(m_archive->defaultTopic())) {
        return;
    }
    // No default topic: the first entry of the contents that has one.
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        QString topic = (*it)->data(0, kTopicRole).toString();
        if (!topic.isEmpty() && showTopic(topic.toStdString())) {
            return;
        }
    }
}

void ChmViewerWindow::showIndex(const QString& keyword) {
    m_tabs->setCurrentIndex(1);
    m_indexFilter->setText(keyword);
    selectIndexEntry(keyword);
    if (QListWidgetItem* item = m_index->currentItem()) {
        showTopic(item->data(kTopicRole).toString().toStdString());
    }
}

void ChmViewerWindow::selectIndexEntry(const QString& text) {
    QString wanted = text.trimmed();
    for (int row = 0; row < m_index->count(); ++row) {
        QListWidgetItem* item = m_index->item(row);
        if (item->text().trimmed().startsWith(wanted, Qt::CaseInsensitive)) {
            m_index->setCurrentItem(item);
            m_index->scrollToItem(item, QAbstractItemView::PositionAtTop);
            return;
        }
    }
    m_index->setCurrentItem(nullptr);
}

bool ChmViewerWindow::showTopic(const std::string& topic) {
    std::string path = topicPath(topic);
    if (!m_archive || path.empty() || !m_archive->contains(path)) {
        return false;
    }
    m_browser->setSource(topicUrl(topic), QTextDocument::HtmlResource);
    return true;
}

std::string ChmViewerWindow::currentTopic() const {
    if (m_browser->source().isEmpty()) {
        return {};
    }
    return topicPath(m_browser->source().path(QUrl::FullyDecoded).toStdString());
}

// The browser's source() is not yet the new page while it reports the change: use the signal's.
void ChmViewerWindow::syncContents(const QUrl& url) {
    std::string shown = topicPath(url.path(QUrl::FullyDecoded).toStdString());
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        if (topicPath((*it)->data(0, kTopicRole).toString().toStdString()) == shown) {
            m_contents->setCurrentItem(*it);
            return;
        }
    }
}

void ChmViewerWindow::itemActivated(QTreeWidgetItem* item) {
    if (item) {
        showTopic(item->data(0, kTopicRole).toString().toStdString());
    }
}

}  // namespace qv::help
