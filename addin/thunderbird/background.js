"use strict";
// ZEP Instant Messenger's toolbar in Thunderbird. The add-in itself runs in the native host
// program (zep-quillbay-host): this page draws the controls it is sent, reports the selected
// message's author and forwards every click. The first button of the toolbar ("Send") is the
// toolbar button; the pop-ups and their buttons are its context menu, the messenger's own
// menu is also in the Tools menu and the message types in the message list's context menu.

const HOST = "zep_quillbay";

let port = null;
let retryDelay = 1000;
let updateTimer = null;
let toolbar = null; // the last toolbar the host sent
let actionId = 0; // the control drawn as the toolbar button
let menuShape = ""; // the menu items' structure, to rebuild only when it changes
let menuEnabled = new Map(); // menu item id -> enabled state shown
let refreshMenu = false;
let testMode = false;
let testStep = "";

function post(message) {
  if (!port) {
    return;
  }
  try {
    port.postMessage(message);
  } catch (e) {
    console.warn("ZEP: message not sent", e);
  }
}

function log(text) {
  if (testMode) {
    post({ type: "log", text: String(text).slice(0, 4000) });
  }
}

function connect() {
  port = browser.runtime.connectNative(HOST);
  port.onMessage.addListener(onHostMessage);
  port.onDisconnect.addListener((p) => {
    console.warn("ZEP: the add-in's host went away", p.error);
    port = null;
    if (updateTimer) {
      clearInterval(updateTimer);
      updateTimer = null;
    }
    showUnavailable("ZEP IM AddIn is not available");
    setTimeout(connect, retryDelay);
    retryDelay = Math.min(retryDelay * 2, 60000);
  });
  post({ type: "hello" });
}

async function showUnavailable(title) {
  toolbar = null;
  actionId = 0;
  await browser.browserAction.setTitle({ title });
  await browser.browserAction.disable();
  await browser.menus.removeAll();
  menuShape = "";
  menuEnabled = new Map();
}

function onHostMessage(message) {
  if (message.type === "hello") {
    retryDelay = 1000;
    testMode = !!message.test;
    if (message.error) {
      console.warn("ZEP:", message.error);
      showUnavailable("ZEP IM AddIn: " + message.error);
    }
    if (!updateTimer) {
      updateTimer = setInterval(() => post({ type: "update" }), message.updateInterval || 3000);
    }
    reportSelection(null);
    if (testMode && !testStep) {
      runTest().catch((e) => log("test failed: " + e));
    }
  } else if (message.type === "toolbar") {
    draw(message).catch((e) => console.warn("ZEP: drawing failed", e));
  } else if (message.type === "error") {
    console.warn("ZEP: the add-in's host says:", message.message);
  }
}

function faceImage(face) {
  if (!face || typeof face.rgba !== "string" || face.rgba.length !== face.width * face.height * 8) {
    return null;
  }
  const bytes = new Uint8ClampedArray(face.width * face.height * 4);
  for (let i = 0; i < bytes.length; i++) {
    bytes[i] = parseInt(face.rgba.substr(i * 2, 2), 16);
  }
  return new ImageData(bytes, face.width, face.height);
}

// The menu items for `controls`: a pop-up with a caption is a submenu, a pop-up without one
// (the message types' drop-down) puts its buttons in line after a separator.
function menuItems(controls, parentId, parentEnabled, out) {
  for (const c of controls) {
    if (c.id === actionId) {
      continue;
    }
    const enabled = parentEnabled && !!c.enabled;
    const caption = String(c.caption || "").trim();
    if (c.kind === "popup" && !caption) {
      out.push({ id: "s" + c.id, type: "separator", parentId, contexts: ["browser_action"] });
      menuItems(c.controls || [], parentId, enabled, out);
      continue;
    }
    if (c.beginGroup) {
      out.push({ id: "g" + c.id, type: "separator", parentId, contexts: ["browser_action"] });
    }
    const item = { id: "c" + c.id, title: caption, enabled, parentId };
    if (parentId === undefined) {
      item.contexts =
        c.kind === "popup" ? ["browser_action", "tools_menu"] : ["browser_action", "message_list"];
    }
    out.push(item);
    if (c.kind === "popup") {
      menuItems(c.controls || [], item.id, enabled, out);
    }
  }
  return out;
}

async function draw(message) {
  toolbar = message;
  const controls = message.controls || [];
  const action = controls.find((c) => c.kind === "button");
  actionId = action ? action.id : 0;
  if (action) {
    await browser.browserAction.setLabel({ label: action.caption || "" });
    await browser.browserAction.setTitle({ title: action.tooltip || action.caption || "" });
    const image = faceImage(action.face);
    if (image) {
      await browser.browserAction.setIcon({ imageData: { 16: image } });
    }
    if (action.enabled) {
      await browser.browserAction.enable();
    } else {
      await browser.browserAction.disable();
    }
  }

  const items = menuItems(controls, undefined, true, []);
  const shape = JSON.stringify(items.map((i) => [i.id, i.type, i.title, i.parentId, i.contexts]));
  if (shape !== menuShape) {
    await browser.menus.removeAll();
    for (const item of items) {
      const props = { id: item.id, contexts: item.contexts };
      if (item.parentId !== undefined) {
        props.parentId = item.parentId;
      }
      if (item.type === "separator") {
        props.type = "separator";
      } else {
        props.title = item.title;
        props.enabled = item.enabled;
      }
      browser.menus.create(props);
    }
    menuShape = shape;
    menuEnabled = new Map(items.map((i) => [i.id, i.enabled]));
  } else {
    for (const item of items) {
      if (item.type !== "separator" && menuEnabled.get(item.id) !== item.enabled) {
        await browser.menus.update(item.id, { enabled: item.enabled });
        menuEnabled.set(item.id, item.enabled);
      }
    }
  }
  if (refreshMenu) {
    refreshMenu = false;
    browser.menus.refresh();
  }
  if (testMode) {
    testProgress(action);
  }
}

function selectionMessage(messages, more) {
  const count = more ? Math.max(messages.length, 2) : messages.length;
  const items = count === 1 ? [{ kind: "mail", address: messages[0].author || "" }] : [];
  return { type: "selection", count, items };
}

async function messagesOfTab(tabId) {
  try {
    const list = await browser.mailTabs.getSelectedMessages(tabId);
    return { messages: list.messages || [], more: !!list.id };
  } catch (e) {
    // Not a mail tab: a message shown in a tab of its own, or nothing.
  }
  try {
    const shown = await browser.messageDisplay.getDisplayedMessages(tabId);
    return { messages: Array.isArray(shown) ? shown : shown.messages || [], more: false };
  } catch (e) {
    return { messages: [], more: false };
  }
}

async function reportSelection(tabId) {
  if (tabId === null) {
    const [tab] = await browser.tabs.query({ active: true, currentWindow: true });
    if (!tab) {
      post({ type: "selection", count: 0, items: [] });
      return;
    }
    tabId = tab.id;
  }
  const { messages, more } = await messagesOfTab(tabId);
  post(selectionMessage(messages, more));
}

browser.mailTabs.onSelectedMessagesChanged.addListener((tab, list) => {
  post(selectionMessage(list.messages || [], !!list.id));
});
browser.tabs.onActivated.addListener((info) => reportSelection(info.tabId));
browser.windows.onFocusChanged.addListener(() => post({ type: "update" }));
browser.browserAction.onClicked.addListener(() => {
  if (actionId) {
    post({ type: "click", control: actionId });
  }
});
browser.menus.onClicked.addListener((info) => {
  const id = String(info.menuItemId);
  if (id.startsWith("c")) {
    post({ type: "click", control: Number(id.slice(1)) });
  }
});
browser.menus.onShown.addListener(() => {
  // The states are asked for as the menu opens; the answer refreshes the open menu.
  refreshMenu = true;
  post({ type: "update" });
});

// Test runs (the host says so): select the first message of the first inbox, then press
// "Send" once the toolbar enables it.
async function findInbox() {
  const accounts = await browser.accounts.list(true);
  const walk = (folders) => {
    for (const f of folders || []) {
      const use = f.specialUse || [];
      if (f.type === "inbox" || use.includes("inbox") || f.name === "Inbox") {
        return f;
      }
      const inner = walk(f.subFolders);
      if (inner) {
        return inner;
      }
    }
    return null;
  };
  for (const account of accounts) {
    const found = walk(account.rootFolder ? account.rootFolder.subFolders : account.folders);
    if (found) {
      return found;
    }
  }
  return null;
}

async function runTest() {
  testStep = "started";
  log("test: looking for the inbox");
  let folder = null;
  for (let attempt = 0; attempt < 40 && !folder; attempt++) {
    folder = await findInbox();
    if (!folder) {
      await new Promise((r) => setTimeout(r, 250));
    }
  }
  if (!folder) {
    log("test: no inbox");
    return;
  }
  // Showing the folder makes Thunderbird read it.
  const [tab] = await browser.mailTabs.query({});
  log("test: showing " + folder.path + " in tab " + tab.id);
  try {
    await browser.mailTabs.update(tab.id, { displayedFolder: folder.id || folder });
  } catch (e) {
    log("test: the folder could not be shown: " + e);
  }
  let messages = [];
  for (let attempt = 0; attempt < 80 && messages.length === 0; attempt++) {
    try {
      messages = (await browser.messages.list(folder.id || folder)).messages || [];
    } catch (e) {
      messages = [];
    }
    if (messages.length === 0) {
      await new Promise((r) => setTimeout(r, 250));
    }
  }
  if (messages.length === 0) {
    log("test: no message in the inbox");
    return;
  }
  await browser.mailTabs.setSelectedMessages(tab.id, [messages[0].id]);
  log("test: selected a message from " + messages[0].author);
  testStep = "selected";
}

function testProgress(action) {
  if (testStep === "selected" && action && action.enabled) {
    testStep = "sent";
    log("test: pressing [" + action.caption + '] "' + action.tooltip + '"');
    post({ type: "click", control: action.id });
  }
}

browser.browserAction.disable();
connect();
