// The editor's side inside the page. It runs in the application's isolated
// script world (the page's own scripts are disabled), talks to the widget over
// the web channel object "wordlarkEditor" and keeps the widget's copy of the
// body current.
(function () {
  'use strict';

  const state = {
    bridge: null,
    generation: 0,
    browseMode: false,
    useDiv: false,
    lastSent: null,
    lastCaret: null,
    observer: null,
  };

  // The commands whose state the toolbar shows.
  const kStateCommands = [
    'bold', 'italic', 'underline', 'insertOrderedList', 'insertUnorderedList', 'justifyLeft',
    'justifyCenter', 'justifyRight', 'justifyFull',
  ];
  const kSelectedTextLimit = 2000;

  // Blocks that end an open paragraph when HTML is parsed. Editing commands
  // can put them inside a <p> (a list made from a paragraph does), which reads
  // back as a different document; the markup handed out splits such
  // paragraphs around them instead.
  const kParagraphBreakers = [
    'address', 'article', 'aside', 'blockquote', 'center', 'details', 'dialog', 'dir', 'div',
    'dl', 'fieldset', 'figcaption', 'figure', 'footer', 'form', 'h1', 'h2', 'h3', 'h4', 'h5',
    'h6', 'header', 'hgroup', 'hr', 'main', 'menu', 'nav', 'ol', 'p', 'pre', 'section',
    'summary', 'table', 'ul',
  ];
  const kBlockInParagraph = kParagraphBreakers.map((name) => 'p > ' + name).join(', ');

  function isBlank(node) {
    return !node.firstChild ||
        (node.childNodes.length === 1 && node.firstChild.nodeType === Node.TEXT_NODE &&
         !/\S/.test(node.firstChild.data));
  }

  function splitParagraphs(root) {
    let block;
    while ((block = root.querySelector(kBlockInParagraph)) !== null) {
      const paragraph = block.parentNode;
      const rest = paragraph.cloneNode(false);
      while (block.nextSibling) {
        rest.appendChild(block.nextSibling);
      }
      let moved = block;
      if (paragraph.attributes.length > 0) {
        // Keep what the paragraph's attributes did (alignment) for the block.
        moved = document.createElement('div');
        for (const attr of Array.from(paragraph.attributes)) {
          moved.setAttribute(attr.name, attr.value);
        }
        moved.appendChild(block);
      }
      paragraph.after(moved, rest);
      if (isBlank(rest)) {
        rest.remove();
      }
      if (isBlank(paragraph)) {
        paragraph.remove();
      }
    }
  }

  function serialize(body) {
    if (body.querySelector(kBlockInParagraph) === null) {
      return body.innerHTML;
    }
    const copy = body.cloneNode(true);
    splitParagraphs(copy);
    return copy.innerHTML;
  }

  // Sends the body's markup to the widget. `loaded` answers a load; `changed`
  // reports an edit and is skipped when nothing changed since the last report.
  function report(kind) {
    const body = document.body;
    if (!state.bridge || !body) {
      return;
    }
    const html = serialize(body);
    if (kind === 'changed' && html === state.lastSent) {
      return;
    }
    state.lastSent = html;
    if (kind === 'loaded') {
      state.bridge.pageLoaded(state.generation, html);
    } else {
      state.bridge.pageChanged(state.generation, html);
    }
  }

  // Tells the widget a command has been carried out, with the body as it
  // now stands; the widget's reads wait for this.
  function done() {
    const body = document.body;
    if (!state.bridge) {
      return;
    }
    const html = body ? serialize(body) : '';
    state.lastSent = html;
    state.bridge.commandDone(state.generation, html);
    reportCaret();
  }

  function selectionInBody() {
    const body = document.body;
    const selection = window.getSelection();
    return body && selection.rangeCount > 0 &&
        body.contains(selection.getRangeAt(0).commonAncestorContainer);
  }

  // The link element around the caret or the selection's start.
  function linkAtSelection() {
    if (!selectionInBody()) {
      return null;
    }
    const range = window.getSelection().getRangeAt(0);
    for (const node of [range.commonAncestorContainer, range.startContainer]) {
      const element = node instanceof Element ? node : node.parentElement;
      const link = element ? element.closest('a[href]') : null;
      if (link && document.body.contains(link)) {
        return link;
      }
    }
    return null;
  }

  // The first family of a CSS font-family list, without its quotes.
  function firstFamily(value) {
    const first = String(value || '').split(',')[0].trim();
    return first.replace(/^(["'])(.*)\1$/, '$2');
  }

  // Sends the format at the caret when it changed since the last report.
  function reportCaret() {
    if (!state.bridge || !document.body || state.browseMode) {
      return;
    }
    const states = {};
    let fontName = '';
    let fontSize = '';
    const inBody = selectionInBody();
    if (inBody) {
      for (const command of kStateCommands) {
        states[command] = document.queryCommandState(command);
      }
      // Text that no alignment was given to starts at the left.
      if (!states.justifyCenter && !states.justifyRight && !states.justifyFull) {
        states.justifyLeft = true;
      }
      fontName = firstFamily(document.queryCommandValue('fontName'));
      fontSize = document.queryCommandValue('fontSize');
    }
    const link = linkAtSelection();
    const selectedText = inBody ? window.getSelection().toString() : '';
    const caret = {
      states,
      fontName,
      fontSize,
      inLink: link !== null,
      linkAddress: link ? link.getAttribute('href') : '',
      linkText: link ? link.textContent : '',
      selectedText: selectedText.slice(0, kSelectedTextLimit),
    };
    const key = JSON.stringify(caret);
    if (key === state.lastCaret) {
      return;
    }
    state.lastCaret = key;
    state.bridge.caretFormat(caret);
  }

  function applyMode() {
    const body = document.body;
    if (body) {
      body.contentEditable = state.browseMode ? 'false' : 'true';
      body.spellcheck = !state.browseMode;
    }
    document.execCommand('styleWithCSS', false, false);
    document.execCommand('defaultParagraphSeparator', false, state.useDiv ? 'div' : 'p');
  }

  function observe() {
    if (state.observer) {
      state.observer.disconnect();
    }
    state.observer = new MutationObserver(() => report('changed'));
    state.observer.observe(document.documentElement, {
      childList: true,
      subtree: true,
      characterData: true,
      attributes: true,
    });
  }

  // Copies the styles of a loaded document's head, so that a page shown in
  // browse mode looks as written. Nothing else of the head is taken over, and
  // nothing at all for editing: what is edited is the body alone, and the
  // editor must not show what it does not keep.
  function adoptHeadStyles(parsed) {
    for (const old of document.head.querySelectorAll('[data-wordlark-loaded]')) {
      old.remove();
    }
    if (!parsed.head || !state.browseMode) {
      return;
    }
    for (const node of parsed.head.querySelectorAll('style')) {
      const style = document.createElement('style');
      style.textContent = node.textContent;
      style.setAttribute('data-wordlark-loaded', '');
      document.head.appendChild(style);
    }
  }

  // Replaces the whole document with `text` parsed as HTML. The parser's
  // document is inert: nothing in it runs or loads before it is adopted.
  // A fresh body element becomes the editing root; the page's undo steps for
  // the previous document refer to the old one and change nothing here.
  function load(text, generation) {
    state.generation = generation;
    const parsed = new DOMParser().parseFromString(String(text), 'text/html');
    const body = document.createElement('body');
    if (parsed.body) {
      const attributes = state.browseMode ? Array.from(parsed.body.attributes) : [];
      for (const attr of attributes) {
        if (!/^on/i.test(attr.name) && attr.name.toLowerCase() !== 'contenteditable') {
          body.setAttribute(attr.name, attr.value);
        }
      }
      while (parsed.body.firstChild) {
        body.appendChild(document.adoptNode(parsed.body.firstChild));
      }
    }
    adoptHeadStyles(parsed);
    document.documentElement.replaceChild(body, document.body);
    applyMode();
    state.observer.takeRecords();
    report('loaded');
    state.lastCaret = null;
    reportCaret();
  }

  function configure(browseMode, useDiv) {
    state.browseMode = !!browseMode;
    state.useDiv = !!useDiv;
    applyMode();
  }

  // Commands act on the selection; when the document has none inside the
  // body yet (never focused), on a caret at the end of the document.
  function ensureSelection() {
    const body = document.body;
    if (!selectionInBody()) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      const selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // Every command answers with done(), also when it fails.
  function exec(command, value) {
    try {
      const body = document.body;
      if (!body || state.browseMode) {
        return false;
      }
      ensureSelection();
      return value === null || value === undefined
          ? document.execCommand(command, false)
          : document.execCommand(command, false, String(value));
    } finally {
      done();
    }
  }

  // Makes the selection a link, or changes the link around the caret.
  // `text` null keeps the text there is.
  function setLink(href, text) {
    try {
      const body = document.body;
      if (!body || state.browseMode) {
        return;
      }
      ensureSelection();
      const link = linkAtSelection();
      if (link) {
        link.setAttribute('href', href);
        if (text !== null && text !== link.textContent) {
          link.textContent = text;
        }
        return;
      }
      const selection = window.getSelection();
      if (text === null && !selection.isCollapsed) {
        document.execCommand('createLink', false, href);
        return;
      }
      // The text is typed in and then made a link: inserting the link's
      // markup would turn the blank after it into a non-breaking one.
      const shown = text === null || text === '' ? href.replace(/^(mailto|tel):/i, '') : text;
      document.execCommand('insertText', false, shown);
      const end = selection.focusNode;
      const offset = selection.focusOffset;
      if (end && end.nodeType === Node.TEXT_NODE && offset >= shown.length &&
          end.data.slice(offset - shown.length, offset) === shown) {
        const range = document.createRange();
        range.setStart(end, offset - shown.length);
        range.setEnd(end, offset);
        selection.removeAllRanges();
        selection.addRange(range);
        document.execCommand('createLink', false, href);
        selection.collapseToEnd();
      }
    } finally {
      done();
    }
  }

  // Removes the link around the caret, or every link the selection touches.
  function removeLink() {
    try {
      if (!document.body || state.browseMode || !selectionInBody()) {
        return;
      }
      const link = linkAtSelection();
      const selection = window.getSelection();
      if (link) {
        const range = document.createRange();
        range.selectNodeContents(link);
        selection.removeAllRanges();
        selection.addRange(range);
      }
      document.execCommand('unlink', false);
    } finally {
      done();
    }
  }

  function attributeText(text) {
    return String(text).replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;')
        .replace(/>/g, '&gt;');
  }

  // Puts a picture at the caret, or at the end of the document when it has
  // no caret yet; the page's undo takes it back.
  function insertPicture(src, alt) {
    const body = document.body;
    if (!body || state.browseMode) {
      return false;
    }
    const selection = window.getSelection();
    if (selection.rangeCount === 0 ||
        !body.contains(selection.getRangeAt(0).commonAncestorContainer)) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      selection.removeAllRanges();
      selection.addRange(range);
    }
    let html = '<img src="' + attributeText(src) + '"';
    if (alt) {
      html += ' alt="' + attributeText(alt) + '"';
    }
    const done = document.execCommand('insertHTML', false, html + '>');
    report('changed');
    return done;
  }

  // Moves the caret to the point (x, y) of the view, when that is in the
  // document: where a drop lands.
  function caretAt(x, y) {
    const body = document.body;
    const range = document.caretRangeFromPoint(x, y);
    if (body && !state.browseMode && range && body.contains(range.startContainer)) {
      const selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // The page gains the focus. Clicking or tabbing in places the caret; focus
  // given by the program (a step entered, a pre-flight item followed) does
  // not, and typing would go nowhere. Without a caret in the body, it goes to
  // the end of the body.
  function onPageFocus() {
    const body = document.body;
    if (!body || state.browseMode || !body.isContentEditable) {
      return;
    }
    const selection = window.getSelection();
    const inBody = selection.rangeCount > 0 &&
        body.contains(selection.getRangeAt(0).commonAncestorContainer);
    if (document.activeElement !== body) {
      body.focus({preventScroll: inBody});
    }
    if (!inBody) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // In browse mode a link is handed to the widget, which opens it outside;
  // the view itself never follows it. In an editable document a plain click
  // places the caret, and only Ctrl+click hands the link over.
  function onLinkClick(event) {
    if (!state.bridge) {
      return;
    }
    if (!state.browseMode && !(event.type === 'click' && event.ctrlKey)) {
      return;
    }
    if (event.type === 'auxclick' && event.button !== 1) {
      return;
    }
    const target = event.target instanceof Element ? event.target : event.target.parentElement;
    const link = target ? target.closest('a[href], area[href]') : null;
    if (!link) {
      return;
    }
    event.preventDefault();
    event.stopPropagation();
    state.bridge.linkClicked(state.browseMode ? link.href : link.getAttribute('href'));
  }

  // Ctrl+K asks the widget for the link dialog, with the caret's link
  // reported first.
  function onKeyDown(event) {
    if (state.browseMode || !state.bridge || !event.ctrlKey || event.altKey || event.shiftKey ||
        event.metaKey || (event.key !== 'k' && event.key !== 'K')) {
      return;
    }
    event.preventDefault();
    reportCaret();
    state.bridge.linkRequested();
  }

  window.wordlarkEditor = { load, configure, exec, setLink, removeLink, insertPicture, caretAt };

  document.addEventListener('click', onLinkClick, true);
  document.addEventListener('auxclick', onLinkClick, true);
  document.addEventListener('input', () => report('changed'), true);
  document.addEventListener('selectionchange', reportCaret);
  document.addEventListener('keydown', onKeyDown, true);
  window.addEventListener('focus', onPageFocus);
  observe();

  new QWebChannel(qt.webChannelTransport, (channel) => {
    state.bridge = channel.objects.wordlarkEditor;
    state.bridge.pageReady();
  });
})();
