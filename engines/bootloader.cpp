#include "bootloader.h"

BootLoader::BootLoader(QObject* parent) : QObject(parent)
{
}

BootLoader::~BootLoader() = default;

void BootLoader::setEnabled(int enable)
{
    resetBootState();
    enabled = enable;
}

void BootLoader::resetBootState()
{
    lastFrameKind = BOOT_FRAME_ENTER;
    blockNumber = 0;
    bootState = BOOT_IDLE;
    bootConfirmed = 2;
}

void BootLoader::buildBootFrame(int /*kind*/, QByteArray /*data*/)
{
}

void BootLoader::startFirmwareUpdate()
{
    bootState = BOOT_IDLE;
    if (toolConnected == 0) {
        emit showBootMessage("Program tool not connected, please check tool connection!");
        return;
    }
    if (image.isEmpty()) {
        emit showBootMessage("Firmware not found, please load firmware first!");
        return;
    }
}

bool BootLoader::sendNextFirmwareBlock()
{
    return true;
}

void BootLoader::loadHexFile()
{
}

void BootLoader::dumpHexData()
{
}

void BootLoader::enterBootMode()
{
}

void BootLoader::checkBootState()
{
}

void BootLoader::exitBootMode()
{
}

void BootLoader::programFirmware()
{
}

void BootLoader::bootLoaderCommandResponse(QByteArray /*data*/)
{
}

void BootLoader::sendBootloaderCmdSequence()
{
}

void BootLoader::processCommError(int /*error_type*/)
{
}

void BootLoader::toolConnectionStateChange(int state)
{
    toolConnected = state;
}
