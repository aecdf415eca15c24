// A Qt Network program: fetches the HTTPS page at the address given, without
// verifying the peer (the test server's certificate is its own), and prints
// the TLS backend in use and the HTTP status.
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslSocket>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 0;
    QNetworkRequest request(QUrl(QString::fromLocal8Bit(argv[1])));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    request.setSslConfiguration(tls);
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(request);
    QObject::connect(reply, &QNetworkReply::finished, &app, [&app, reply]() {
        std::printf("active: %s\nstatus: %d\n", qPrintable(QSslSocket::activeBackend()),
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
        std::fflush(stdout);
        app.exit(reply->error() == QNetworkReply::NoError ? 0 : 1);
    });
    return app.exec();
}
