#!/usr/bin/python3
"""Reads every PNG picture of a folder with OpenCV's WeChat QR Code reader (Debian
python3-opencv; no detector models, so its plain detector) and prints one line per picture:
its name without .png, then "read" when one of the texts found is exactly TEXT, else "missed".

Usage: wechat-read.py FOLDER TEXT
"""
import os
import sys

import cv2


def main():
    folder, text = sys.argv[1], sys.argv[2]
    reader = cv2.wechat_qrcode_WeChatQRCode()
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".png"):
            continue
        picture = cv2.imread(os.path.join(folder, name))
        texts, _ = reader.detectAndDecode(picture)
        print(name[:-4], "read" if text in texts else "missed")


if __name__ == "__main__":
    main()
