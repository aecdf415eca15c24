// The Qt Quick program's window: the modules it imports are the ones the
// deployment tool must find in this file's folder and copy.
import QtQuick
import QtQuick.Window

Window {
    width: 240
    height: 120
    visible: true
    title: "Qt Quick loaded its QML"

    Rectangle {
        anchors.fill: parent
        anchors.margins: 12
        color: "steelblue"

        Text {
            anchors.centerIn: parent
            text: Qt.application.name
        }
    }
}
