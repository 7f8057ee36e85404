"""What the maintenance dialog, its heading strings, the icon and the header
bitmap must be in the built launcher, language by language.

Written down from the dialog's description, independently of the .rc files,
so that a slip in either shows up as a difference.  `stored` lists the
LANGIDs under which each language's block is stored: its own, and for a
language spoken in several regions also the primary language with
SUBLANG_NEUTRAL, which the platform's lookup finds for, say, Austrian German.
"""

DIALOG_STYLE = 0x80C800C0  # WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT
FONT = (8, 'MS Sans Serif')
PICTURE_RECT = (294, 1, 37, 35)
IDB_HEADER = 103

# Control order (also the tab order): id, class, style.
CONTROLS = [
    ('next', 1, 'BUTTON', 0x50010000),        # WS_TABSTOP|BS_PUSHBUTTON
    ('cancel', 2, 'BUTTON', 0x50010001),      # WS_TABSTOP|BS_DEFPUSHBUTTON
    ('group', -1, 'BUTTON', 0x50000007),      # BS_GROUPBOX
    ('picture', -1, 'STATIC', 0x5000000E),    # SS_BITMAP
    ('uninstall', 1001, 'BUTTON', 0x50032409),   # WS_GROUP|WS_TABSTOP|BS_MULTILINE|BS_TOP|BS_AUTORADIOBUTTON
    ('add_device', 1002, 'BUTTON', 0x50012409),  # WS_TABSTOP|BS_MULTILINE|BS_TOP|BS_AUTORADIOBUTTON
]

WIDE_BUTTONS = dict(next=(195, 168, 55, 14), cancel=(270, 168, 55, 14))
SPANISH = dict(
    caption='All-in-One', next_text='Siguiente(&N) >', cancel_text='Cancelar',
    uninstall_text='Desinstalar: seleccione esta opción para desinstalar el software '
    '(haga clic en Cancelar para salir del cuadro de diálogo sin realizar la desinstalación).',
    add_device_text='Añadir un dispositivo: para añadir uno o varios dispositivos conectados '
    'directamente (por ejemplo, un dispositivo USB), haga clic en Cancelar y, a continuación, '
    'conecte el dispositivo.',
    string1='El software se ha instalado correctamente',
    string2='Seleccione una de las siguientes opciones.',
    size=(334, 193), group=(0, 34, 334, 112),
    uninstall=(19, 55, 305, 26), add_device=(19, 90, 305, 31), **WIDE_BUTTONS)


def language(name, langid, regional, **fields):
    """One language's block; anything not given is as in the usual layout.
    `regional`: also stored as SUBLANG_NEUTRAL for the other regions."""
    block = dict(size=(334, 193), next=(205, 168, 50, 14), cancel=(276, 168, 50, 14),
                 group=(0, 34, 334, 112), caption='All-in-One')
    stored = [langid, langid & 0x3FF] if regional else [langid]
    block.update(fields, name=name, langid=langid, stored=stored)
    return block


LANGUAGES = [
    language('German', 1031, True,
             uninstall=(19, 55, 305, 28), add_device=(19, 90, 305, 36),
             next_text='Weiter(&N) >', cancel_text='Abbrechen',
             uninstall_text="Deinstallieren - Wählen Sie diese Option, um die Software zu "
             "entfernen. (Klicken Sie auf 'Abbrechen', um dieses Dialogfeld ohne "
             "Deinstallation zu schließen).",
             add_device_text="Gerät hinzufügen - Zum Hinzufügen eines direkt angeschlossenen "
             "Geräts (z. B. über USB) oder eines sonstigen direkt angeschlossenen Geräts klicken "
             "Sie auf 'Abbrechen', und schließen Sie dann das Gerät an.",
             string1='Die Software wurde bereits erfolgreich installiert',
             string2='Wählen Sie eine Option.'),
    language('English (United States)', 1033, False,
             uninstall=(19, 55, 305, 18), add_device=(19, 90, 305, 19),
             caption='Hollin MFP', next_text='&Next >', cancel_text='Cancel',
             uninstall_text='Uninstall - Select this option to uninstall the software '
             '(click Cancel to exit this dialog without uninstalling).',
             add_device_text='Add a Device - To add a directly connected device (for example, '
             'USB) or an additional directly connected device, click Cancel and then plug in '
             'the device.',
             string1='Software Has Already Been Successfully Installed',
             string2='Choose one of the following.'),
    language('Spanish (traditional sort)', 1034, False, **SPANISH),
    language('French', 1036, True,
             uninstall=(19, 55, 305, 29), add_device=(19, 90, 305, 37),
             next_text='Suivant(&N) >', cancel_text='Annuler',
             uninstall_text='Désinstaller - Sélectionnez cette option pour désinstaller le '
             'logiciel (cliquez sur Annuler pour fermer cette boîte de dialogue sans procéder '
             'à la désinstallation).',
             add_device_text='Ajouter un périphérique - Pour ajouter un périphérique directement '
             'connecté (USB, par exemple) ou un périphérique directement connecté '
             'supplémentaire, cliquez sur Annuler et connectez le périphérique.',
             string1='Le logiciel a déjà été installé',
             string2="Choisissez l'une des options suivantes."),
    language('Italian', 1040, True,
             uninstall=(19, 55, 305, 26), add_device=(19, 90, 305, 35),
             next_text='Avanti(&N) >', cancel_text='Annulla',
             uninstall_text='Disinstalla - Selezionare questa opzione per disinstallare il '
             'software (fare clic su Annulla per chiudere la finestra di dialogo senza eseguire '
             'la disinstallazione).',
             add_device_text='Aggiungi periferica - Per aggiungere una periferica con connessione '
             'diretta (ad esempio, USB) o una periferica supplementare con connessione diretta, '
             'fare clic su Annulla e collegare la periferica.',
             string1='Installazione del software riuscita',
             string2='Scegliere una delle seguenti opzioni.'),
    language('Korean', 1042, False, size=(334, 175),
             next=(205, 153, 50, 14), cancel=(276, 153, 50, 14), group=(0, 34, 334, 95),
             uninstall=(8, 55, 321, 23), add_device=(8, 90, 305, 23),
             next_text='다음(&N) >', cancel_text='취소',
             uninstall_text='설치 제거 - 소프트웨어를 제거 하려면 이 항목을 선택 하고 '
             '<다음>버튼을 선택 하세요.\n(소프트웨어를 제거하지 않고 이 화면을 종료 하려면 '
             '<취소>버튼을 선택 하세요.)',
             add_device_text='장치 추가 - 다른 직접 연결하는 장치(예, USB)를 추가 하려면, '
             '<취소> 버튼을 누른후 \n장치를 연결 하세요.',
             string1='소프트웨어가 이미 설치되어 있습니다.',
             string2='아래에서 하나를 선택 하세요.'),
    language('Dutch', 1043, True, next=(196, 168, 55, 14), cancel=(269, 168, 55, 14),
             uninstall=(19, 55, 305, 27), add_device=(19, 90, 305, 31),
             next_text='Volgende(&N) >', cancel_text='Annuleren',
             uninstall_text='Installatie verwijderen - Selecteer deze optie als u de software '
             'wilt verwijderen (klik op Annuleren om dit dialoogvenster af te sluiten zonder de '
             'software te verwijderen).',
             add_device_text='Apparaat toevoegen - Als u een rechtstreeks aangesloten apparaat '
             '(bijvoorbeeld USB) of een extra rechtstreeks aangesloten apparaat wilt toevoegen, '
             'klikt u op Annuleren en sluit u vervolgens het apparaat aan.',
             string1='De software is al succesvol geïnstalleerd',
             string2='Kies één van de volgende opties.'),
    language('Portuguese (Brazil)', 1046, False,
             uninstall=(19, 55, 305, 24), add_device=(19, 90, 305, 30),
             next_text='Avançar(&N) >', cancel_text='Cancelar',
             uninstall_text='Desinstalar - Selecione essa opção para desinstalar o software '
             '(clique em Cancelar para sair dessa caixa de diálogo sem desinstalar).',
             add_device_text='Adicionar um dispositivo - Para adicionar um dispositivo conectado '
             'diretamente (por exemplo, USB) ou um dispositivo adicional conectado diretamente, '
             'clique em Cancelar e conecte o dispositivo.',
             string1='O software já foi instalado com êxito',
             string2='Escolha uma das opções a seguir.'),
    language('Russian', 1049, True,
             uninstall=(19, 55, 305, 25), add_device=(19, 90, 305, 32),
             next_text='Далее(&N) >', cancel_text='Отмена',
             uninstall_text='Удалить - выберите этот вариант для удаления программного '
             'обеспечения (щелкните Отмена, чтобы закрыть диалоговое окно без удаления '
             'программного обеспечения).',
             add_device_text='Добавить устройство - для добавления устройства, подсоединенного '
             'напрямую (например, USB), или дополнительного устройства, подсоединенного '
             'напрямую, щелкните Отмена, затем подсоедините устройство.',
             string1='Программное обеспечение уже установлено',
             string2='Выберите из следующего.'),
    language('Chinese (Simplified)', 2052, False, size=(334, 159),
             next=(205, 138, 50, 14), cancel=(276, 138, 50, 14), group=(0, 34, 334, 87),
             uninstall=(19, 55, 305, 23), add_device=(19, 85, 305, 19),
             caption='卸载Hollin多功能一体机', next_text='下一步(&N) >', cancel_text='取消',
             uninstall_text='卸载 - 选择此选项以卸载软件（单击“取消”可在不卸载的情况下退出此对话框）。',
             add_device_text='添加设备 - 要添加一个直接连接设备（如 USB）或一个附加的直接连接设备，'
             '请单击“取消”，然后插入设备。',
             string1='已成功安装软件', string2='选择以下一项。'),
    language('Spanish (Mexico)', 2058, False, **SPANISH),
    language('Spanish (modern sort)', 3082, True, **SPANISH),
]

# Icon 128: one group of two 16-colour images; bitmap 103: 56 x 57, 8 bits
# per pixel, a full palette, uncompressed.  Both only under English (US).
ICON_GROUP = 128
ICON_SIZES = [(32, 32), (16, 16)]
ICON_COLOURS, ICON_BITS = 16, 4
BITMAP_SIZE, BITMAP_BITS, BITMAP_PALETTE = (56, 57), 8, 256
PICTURE_LANGUAGE = 0x0409
